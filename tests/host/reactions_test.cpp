// The host's reactive flash (stoichiometric reactions at given conversion, then a flash) and
// its linear-isotherm adsorption, against balances worked by hand.

#include <cmath>
#include <stdexcept>

#include "brixel/framework/stream_vector.h"
#include "host/flash.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace sv = brixel::stream_vector;

class ReactionTest : public HostTest {
  protected:
    void SetUp() override {
        for (const char* id : {"N2", "O2", "WATER", "ETHANOL", "CO2", "SIO2"}) {
            host->AddDatabankComponent(id);
        }
        classBead = host->AddStreamClass("MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}});
        stream = host->AddStream(classBead);
        SubstreamState fluid;
        fluid.flows = {5.0, 10.0, 0.0, 1.0, 0.0, 0.0};
        fluid.temperature = 400.0;
        fluid.pressure = 1e5;
        fluid.vaporFraction = 1.0;
        host->SetSubstream(stream, 0, fluid);
        // Ethanol burning: C2H5OH + 3 O2 -> 2 CO2 + 3 H2O.
        combustion.stoichiometry = {{kEthanol, -1.0}, {kOxygen, -3.0}, {kCo2, 2.0}, {kWater, 3.0}};
        combustion.key = kEthanol;
        combustion.conversion = 0.5;
    }

    double Flow(int64_t component) { return host->StreamVector(stream)[component - 1]; }
    double State(int64_t entry) { return host->StreamVector(stream)[6 + entry]; }

    int64_t React(std::vector<int64_t> reactions, int64_t kode = 2, double spec1 = 400.0) {
        double* vector = host->StreamVector(stream);
        const int64_t position = 1, phases = 2, phase = 1, iterations = 30, options = 0;
        const auto count = static_cast<int64_t>(reactions.size());
        const double spec2 = 0.0, duration = 12.0, tolerance = 1e-4, second = kRealMissing;
        const int64_t capacity = count;
        int64_t converged = 0;
        ran.assign(reactions.size(), -1);
        HostReactiveFlash(vector, &position, &kode, &spec1, &spec2, &phases, &phase, &count,
                          reactions.data(), &duration, &iterations, &tolerance, &second, &phases,
                          &phases, &options, ran.data(), &capacity, &converged);
        return converged;
    }

    static constexpr int64_t kNitrogen = 1, kOxygen = 2, kWater = 3, kEthanol = 4, kCo2 = 5;
    int64_t classBead = 0, stream = 0;
    Reaction combustion;
    std::vector<int64_t> ran;
};

TEST_F(ReactionTest, ConvertsTheKeyComponentAndFlashes) {
    const int64_t reaction = host->AddReaction(combustion);
    ASSERT_EQ(React({reaction}), 1);
    // Extent 0.5 kmol/s: ethanol 1 - 0.5, O2 10 - 1.5, CO2 1.0, water 1.5, N2 unchanged.
    EXPECT_NEAR(Flow(kEthanol), 0.5, 1e-12);
    EXPECT_NEAR(Flow(kOxygen), 8.5, 1e-12);
    EXPECT_NEAR(Flow(kCo2), 1.0, 1e-12);
    EXPECT_NEAR(Flow(kWater), 1.5, 1e-12);
    EXPECT_DOUBLE_EQ(Flow(kNitrogen), 5.0);
    EXPECT_NEAR(State(sv::kTotalFlow), 16.5, 1e-12);
    EXPECT_DOUBLE_EQ(State(sv::kTemperature), 400.0);
    // Water at 1.5 / 16.5 of 1 bar is far below its vapour pressure at 400 K (2.45 bar).
    EXPECT_DOUBLE_EQ(State(sv::kVaporFraction), 1.0);
    EXPECT_EQ(ran[0], 1);
    ASSERT_EQ(host->ReactiveFlashCalls().size(), 1u);
    EXPECT_DOUBLE_EQ(host->ReactiveFlashCalls()[0].duration, 12.0);
    EXPECT_EQ(HostFlashCommon()[3], 1);
}

TEST_F(ReactionTest, TheScarcestReactantLimitsTheExtent) {
    SubstreamState lean;
    lean.flows = {5.0, 1.2, 0.0, 1.0, 0.0, 0.0};
    lean.temperature = 400.0;
    lean.pressure = 1e5;
    host->SetSubstream(stream, 0, lean);
    combustion.conversion = 1.0;
    ASSERT_EQ(React({host->AddReaction(combustion)}), 1);
    // O2 allows 1.2 / 3 = 0.4 kmol/s of the 1.0 that full conversion would take.
    EXPECT_EQ(ran[0], 1);
    EXPECT_NEAR(Flow(kOxygen), 0.0, 1e-12);
    EXPECT_NEAR(Flow(kEthanol), 0.6, 1e-12);
    EXPECT_GE(Flow(kOxygen), 0.0);
}

TEST_F(ReactionTest, AReactionWithoutItsReactantDoesNotRun) {
    Reaction reverse;  // 2 CO2 + 3 H2O -> C2H5OH + 3 O2: the stream carries no CO2
    reverse.stoichiometry = {{kCo2, -2.0}, {kWater, -3.0}, {kEthanol, 1.0}, {kOxygen, 3.0}};
    reverse.key = kCo2;
    reverse.conversion = 1.0;
    const int64_t forward = host->AddReaction(combustion);
    const int64_t backward = host->AddReaction(reverse);
    ASSERT_EQ(React({backward, forward}), 1);
    EXPECT_EQ(ran[0], 0);
    EXPECT_EQ(ran[1], 1);
    EXPECT_NEAR(Flow(kEthanol), 0.5, 1e-12);  // only the forward reaction ran
}

TEST_F(ReactionTest, AFailedFlashLeavesTheStreamUnchanged) {
    const int64_t reaction = host->AddReaction(combustion);
    const std::vector<double> before(host->StreamVector(stream),
                                     host->StreamVector(stream) + host->VectorLength(stream));
    host->SetRefuseFlash(true);
    EXPECT_EQ(React({reaction}), -1);
    host->SetRefuseFlash(false);
    EXPECT_EQ(React({reaction}, 2, 5.0), -1);  // 5 K: below the flash limits
    EXPECT_EQ(React({reaction + 999}), -1);    // not a reaction record
    const std::vector<double> after(host->StreamVector(stream),
                                    host->StreamVector(stream) + host->VectorLength(stream));
    EXPECT_EQ(before, after);
    EXPECT_EQ(ran[0], -1);
}

TEST_F(ReactionTest, RejectsReactionsThatCannotRun) {
    Reaction bad = combustion;
    bad.conversion = 1.5;
    EXPECT_THROW(host->AddReaction(bad), std::invalid_argument);
    bad = combustion;
    bad.key = kCo2;  // a product
    EXPECT_THROW(host->AddReaction(bad), std::invalid_argument);
    bad = combustion;
    bad.stoichiometry.push_back({99, 1.0});
    EXPECT_THROW(host->AddReaction(bad), std::invalid_argument);
}

TEST_F(ReactionTest, AdsorptionMovesTheShareOfTheLinearIsotherm) {
    int64_t component = kEthanol;
    double henry = 2.0, adsorbent = 1.5;
    HostKineticsAdsorption(&stream, &component, &henry, &adsorbent);
    // The fluid keeps 1 / (1 + 2 * 1.5) = 1/4 of the ethanol; 3/4 is held by the solid.
    EXPECT_NEAR(Flow(kEthanol), 0.25, 1e-15);
    const double* solid = host->StreamVector(stream) + host->SubstreamOffset(stream, 1);
    EXPECT_NEAR(solid[kEthanol - 1], 0.75, 1e-15);
    EXPECT_NEAR(solid[6 + sv::kTotalFlow], 0.75, 1e-15);
    EXPECT_NEAR(State(sv::kTotalFlow), 15.25, 1e-12);

    const std::vector<double> before(host->StreamVector(stream),
                                     host->StreamVector(stream) + host->VectorLength(stream));
    double negative = -1.0, nan = std::nan("");
    int64_t unknown = 7, notAStream = 5;
    HostKineticsAdsorption(&stream, &component, &negative, &adsorbent);
    HostKineticsAdsorption(&stream, &component, &henry, &nan);
    HostKineticsAdsorption(&stream, &unknown, &henry, &adsorbent);
    HostKineticsAdsorption(&notAStream, &component, &henry, &adsorbent);
    HostKineticsAdsorption(nullptr, nullptr, nullptr, nullptr);
    const std::vector<double> after(host->StreamVector(stream),
                                    host->StreamVector(stream) + host->VectorLength(stream));
    EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace brixel::host::testing
