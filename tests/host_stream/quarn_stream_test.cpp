// QuarnStream on a unit's stream: per-substream access, flashes through the unit, and the
// reactor and adsorption calls the host serves.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "brixel/framework/plex.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/host_stream/quarn_stream.h"
#include "host/substitute_host.h"
#include "support/thermo_fixture.h"

namespace brixel::testing {
namespace {

namespace sv = brixel::stream_vector;

constexpr int64_t kNitrogen = 1, kOxygen = 2, kWater = 3, kEthanol = 4, kCo2 = 5, kSilica = 6;
constexpr int kConventional = 6;

// Databank fluids and silica, and coal as the one NC component, in MIXED, CISOLID and NC
// substreams: NNCC > 0 tells the substream's own component count from NCC + NNCC.
class QuarnStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* id : {"N2", "O2", "WATER", "ETHANOL", "CO2", "SIO2"}) {
            host.AddDatabankComponent(id);
        }
        host.AddNonconventionalComponent("COAL");
        streamClass = host.AddStreamClass(
            "MIXCINC",
            {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-5, 1e-4})}}, {"NC", 3, {}}});
        plex::SetupFromHost();
        inlet = Stream(350.0);
        outlet = Stream(350.0);
        BindOneInOneOut(host, unit, inlet, outlet, counts);
    }

    int64_t Stream(double temperature, double pressure = 1e5) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState fluid;
        fluid.flows = {5.0, 10.0, 0.5, 1.0, 0.0, 0.0};
        fluid.temperature = temperature;
        fluid.pressure = pressure;
        host.SetSubstream(bead, 0, fluid);
        host::SubstreamState solid;
        solid.flows = {0.0, 0.0, 0.0, 0.0, 0.0, 2.0};
        solid.temperature = temperature;
        solid.pressure = pressure;
        solid.psd = {0.4, 0.6};
        host.SetSubstream(bead, 1, solid);
        return bead;
    }

    // Word of a state entry as the host laid it out: the substream's own flows come first.
    double& StateWord(int64_t bead, int substream, int flows, int64_t entry) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + flows + entry];
    }

    std::vector<double> Vector(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }

    // Flows and state of the MIXED substream (the host brings molecular weights up to date
    // elsewhere before a reactive flash).
    std::vector<double> MixedWords(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + kConventional + sv::kStateWords};
    }

    host::SubstituteHost host;
    TestUnit unit;
    int64_t streamClass = 0, inlet = 0, outlet = 0;
    std::array<int64_t, 2> counts{};
};

TEST_F(QuarnStreamTest, ADefaultObjectReadsNothingUntilBound) {
    QuarnStream stream;
    EXPECT_EQ(stream.getTemperature(0), host::kRealMissing);
    EXPECT_EQ(stream.getCompFlow(kWater, 0), host::kRealMissing);
    stream.setTemperature(1.0, 0);  // unbound: writes nothing
    EXPECT_FALSE(stream.TPFlash());
    EXPECT_EQ(stream.getConvergenceFlag(), 0);
    stream.setUnit(&unit);
    stream.setStream(0);  // port "IN"
    EXPECT_EQ(stream.getTemperature(0), 350.0);
    EXPECT_EQ(stream.getCompFlow(kEthanol, 0), 1.0);
    EXPECT_EQ(stream.getCompFlow(kSilica, 1), 2.0);
    EXPECT_EQ(stream.getTemperature(0), StateWord(inlet, 0, kConventional, sv::kTemperature));
}

TEST_F(QuarnStreamTest, ReadModifyWriteRoundTripsEveryEntry) {
    QuarnStream stream(static_cast<int>(outlet), &unit);
    for (int substream : {0, 1, 2}) {
        const int flows = substream == 2 ? 1 : kConventional;
        const double base = 10.0 * (substream + 1);
        stream.setTotalFlow(base + 1, substream);
        stream.setTemperature(base + 2, substream);
        stream.setPressure(base + 3, substream);
        stream.setEnthalpy(base + 4, substream);
        stream.setVaporFraction(base + 5, substream);
        stream.setLiquidFraction(base + 6, substream);
        stream.setEntropy(base + 7, substream);
        stream.setDensity(base + 8, substream);
        stream.setMolecularWeight(base + 9, substream);
        EXPECT_EQ(stream.getTotalFlow(substream), base + 1);
        EXPECT_EQ(stream.getTemperature(substream), base + 2);
        EXPECT_EQ(stream.getPressure(substream), base + 3);
        EXPECT_EQ(stream.getEnthalpy(substream), base + 4);
        EXPECT_EQ(stream.getVaporFraction(substream), base + 5);
        EXPECT_EQ(stream.getLiquidFraction(substream), base + 6);
        EXPECT_EQ(stream.getEntropy(substream), base + 7);
        EXPECT_EQ(stream.getDensity(substream), base + 8);
        EXPECT_EQ(stream.getMolecularWeight(substream), base + 9);
        // The words the host and the library read: after the substream's own flows.
        EXPECT_EQ(StateWord(outlet, substream, flows, sv::kTotalFlow), base + 1);
        EXPECT_EQ(StateWord(outlet, substream, flows, sv::kTemperature), base + 2);
        EXPECT_EQ(StateWord(outlet, substream, flows, sv::kMolecularWeight), base + 9);
    }
    stream.setCompFlow(kWater, 0, 0.75);
    EXPECT_EQ(stream.getCompFlow(kWater, 0), 0.75);
    EXPECT_EQ(host.StreamVector(outlet)[kWater - 1], 0.75);
    stream.setCompFlow(1, 2, 4.5);  // coal, the first NC component
    EXPECT_EQ(host.StreamVector(outlet)[host.SubstreamOffset(outlet, 2)], 4.5);
    // The PSD after the CISOLID state block is untouched by all of it.
    const double* psd =
        host.StreamVector(outlet) + host.SubstreamOffset(outlet, 1) + kConventional + 9;
    EXPECT_EQ(psd[0], 0.4);
    EXPECT_EQ(psd[1], 0.6);

    const std::vector<double> before = Vector(outlet);
    stream.setCompFlow(kConventional + 1, 0, 9.0);  // no such component in MIXED
    stream.setCompFlow(2, 2, 9.0);                  // nor in NC
    stream.setTemperature(9.0, 3);                  // no such substream
    EXPECT_EQ(stream.getTemperature(-1), host::kRealMissing);
    EXPECT_EQ(Vector(outlet), before);
}

TEST_F(QuarnStreamTest, TPFlashEqualsFlashStreamOnTheSameStream) {
    QuarnStream stream(static_cast<int>(inlet), &unit);
    stream.setTemperature(290.0, 0);
    StateWord(outlet, 0, kConventional, sv::kTemperature) = 290.0;
    ASSERT_TRUE(stream.TPFlash());
    ASSERT_TRUE(unit.FlashStream(static_cast<int>(outlet), 2, 290.0, 0.0, 1e35, true));
    EXPECT_EQ(Vector(inlet), Vector(outlet));
    // At 290 K water (3.0 kPa partial, 1.9 kPa vapour pressure) and ethanol (6.1 kPa, 5 kPa)
    // partly condense: a real two-phase result.
    const double vapor = stream.getVaporFraction(0);
    EXPECT_GT(vapor, 0.0);
    EXPECT_LT(vapor, 1.0);
    EXPECT_EQ(stream.getTemperature(1), 290.0);
}

TEST_F(QuarnStreamTest, PQFlashAtZeroDutyKeepsTheState) {
    QuarnStream stream(static_cast<int>(inlet), &unit);
    ASSERT_TRUE(stream.TPFlash());
    const double enthalpy = stream.getEnthalpy(0);
    ASSERT_TRUE(stream.PQFlash());
    EXPECT_NEAR(stream.getTemperature(0), 350.0, 1e-6);
    EXPECT_NEAR(stream.getEnthalpy(0), enthalpy, 1e-6 * std::fabs(enthalpy));
}

class QuarnReactorTest : public QuarnStreamTest {
  protected:
    void SetUp() override {
        QuarnStreamTest::SetUp();
        host::Reaction combustion;  // C2H5OH + 3 O2 -> 2 CO2 + 3 H2O
        combustion.stoichiometry = {{kEthanol, -1.0}, {kOxygen, -3.0}, {kCo2, 2.0}, {kWater, 3.0}};
        combustion.key = kEthanol;
        combustion.conversion = 0.8;
        reaction = host.AddReaction(combustion);
    }
    int64_t reaction = 0;
};

TEST_F(QuarnReactorTest, CstrRunsTheReactionsAndSetsTheConvergenceFlag) {
    QuarnStream stream(static_cast<int>(inlet), &unit, &reaction, 1);
    EXPECT_EQ(stream.getConvergenceFlag(), 0);
    int64_t ran[1] = {-1};
    stream.CSTR(ran, 1, 60.0, 2.5);
    ASSERT_EQ(stream.getConvergenceFlag(), 1);
    EXPECT_EQ(ran[0], 1);
    // Extent 0.8 kmol/s: ethanol 0.2, O2 10 - 2.4, CO2 1.6, water 0.5 + 2.4.
    EXPECT_NEAR(stream.getCompFlow(kEthanol, 0), 0.2, 1e-12);
    EXPECT_NEAR(stream.getCompFlow(kOxygen, 0), 7.6, 1e-12);
    EXPECT_NEAR(stream.getCompFlow(kCo2, 0), 1.6, 1e-12);
    EXPECT_NEAR(stream.getCompFlow(kWater, 0), 2.9, 1e-12);
    EXPECT_NEAR(stream.getTotalFlow(0), 17.3, 1e-12);
    EXPECT_EQ(stream.getTemperature(0), 350.0);
    EXPECT_EQ(stream.getCompFlow(kSilica, 1), 2.0);  // solids take no part
    ASSERT_EQ(host.ReactiveFlashCalls().size(), 1u);
    const host::ReactiveFlashCall& call = host.ReactiveFlashCalls()[0];
    EXPECT_EQ(call.kode, 2);  // temperature given: TP
    EXPECT_EQ(call.reactionCount, 1);
    EXPECT_EQ(call.duration, 60.0);
    EXPECT_EQ(call.secondValue, 2.5);
    EXPECT_EQ(call.iterations, host::kIntegerMissing);
    EXPECT_EQ(call.tolerance, host::kRealMissing);
    EXPECT_EQ(call.phaseCount, 2);
    EXPECT_EQ(call.printLevel, 4);
    EXPECT_EQ(call.optionSet, host.FlashOptionsBead());
}

TEST_F(QuarnReactorTest, TheSpecificationFollowsTheStoredState) {
    QuarnStream stream(static_cast<int>(inlet), &unit, &reaction, 1);
    ASSERT_TRUE(stream.TPFlash());  // gives the enthalpy a PQ flash starts from
    const double enthalpy = stream.getEnthalpy(0);
    stream.setTemperature(host::kRealMissing, 0);
    stream.setNPhases(1);
    stream.setVaporFraction(0.0, 0);
    stream.CSTR(nullptr, 0, 1.0, 0.0);
    ASSERT_EQ(host.ReactiveFlashCalls().size(), 1u);
    EXPECT_EQ(host.ReactiveFlashCalls()[0].kode, 1);   // pressure given: PQ at zero duty
    EXPECT_EQ(host.ReactiveFlashCalls()[0].phase, 2);  // one phase, no vapour: liquid
    EXPECT_EQ(host.ReactiveFlashCalls()[0].phaseCount, 1);
    EXPECT_EQ(stream.getConvergenceFlag(), 1);
    // Zero duty and a reaction that keeps the mass (46 + 3 * 32 = 2 * 44 + 3 * 18 kg/kmol):
    // the specific enthalpy is kept; the temperature follows the products' heat capacities.
    EXPECT_NEAR(stream.getEnthalpy(0), enthalpy, 1e-9 * std::fabs(enthalpy));
    EXPECT_NE(stream.getTemperature(0), host::kRealMissing);

    stream.setTemperature(host::kRealMissing, 0);
    stream.setPressure(host::kRealMissing, 0);
    const std::vector<double> before = MixedWords(inlet);
    stream.CSTR(nullptr, 0, 1.0, 0.0);
    EXPECT_EQ(host.ReactiveFlashCalls()[1].kode, 3);  // neither: PV, which has no pressure
    EXPECT_EQ(stream.getConvergenceFlag(), -1);
    EXPECT_EQ(MixedWords(inlet), before);
}

TEST_F(QuarnReactorTest, ARefusedFlashLeavesTheStreamAndReportsNonConvergence) {
    QuarnStream stream(static_cast<int>(inlet), &unit, &reaction, 1);
    const std::vector<double> before = MixedWords(inlet);
    host.SetRefuseFlash(true);
    stream.CSTR(nullptr, 0, 1.0, 0.0);
    EXPECT_EQ(stream.getConvergenceFlag(), -1);
    EXPECT_EQ(MixedWords(inlet), before);
}

TEST_F(QuarnReactorTest, ACopyKeepsItsOwnParameters) {
    QuarnStream original(static_cast<int>(inlet), &unit, &reaction, 1);
    QuarnStream copy(original);
    copy.setFlashMaxIt(50);
    copy.setFlashTolerance(1e-6);
    QuarnStream assigned;
    assigned = copy;
    assigned.setFlashMaxIt(70);
    original.CSTR(nullptr, 0, 1.0, 0.0);
    copy.CSTR(nullptr, 0, 1.0, 0.0);
    assigned.CSTR(nullptr, 0, 1.0, 0.0);
    const auto& calls = host.ReactiveFlashCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].iterations, host::kIntegerMissing);
    EXPECT_EQ(calls[1].iterations, 50);
    EXPECT_EQ(calls[1].tolerance, 1e-6);
    EXPECT_EQ(calls[2].iterations, 70);
    EXPECT_EQ(calls[2].reactionCount, 1);  // the reactions came along
}

TEST_F(QuarnReactorTest, KinadsHandsItsArgumentsToTheHost) {
    QuarnStream stream(static_cast<int>(inlet), &unit);
    stream.KINADS(inlet, kWater, 4.0, 0.5);
    // Linear isotherm: the fluid keeps 0.5 / (1 + 4 * 0.5) of its water.
    EXPECT_NEAR(stream.getCompFlow(kWater, 0), 0.5 / 3.0, 1e-15);
    EXPECT_NEAR(stream.getCompFlow(kWater, 1), 1.0 / 3.0, 1e-15);
    EXPECT_NEAR(stream.getTotalFlow(0) + stream.getTotalFlow(1), 16.5 + 2.0, 1e-12);
}

TEST(BXUT_CRFLASH, NullArgumentsChangeNothing) {
    host::SubstituteHost host;
    int64_t bead = 1000001, count = 1, reactions[1] = {4}, params[9] = {};
    double value = 1.0, reals[3] = {};
    BXUT_CRFLASH(nullptr, &count, reactions, &value, params, reals, nullptr, nullptr);
    BXUT_CRFLASH(&bead, &count, nullptr, &value, params, reals, nullptr, nullptr);
    BXUT_CRFLASH(&bead, &count, reactions, &value, nullptr, reals, nullptr, nullptr);
    BXUT_CRFLASH(&bead, &count, reactions, &value, params, reals, nullptr, nullptr);  // no stream
    EXPECT_EQ(params[2], 0);
    EXPECT_TRUE(host.ReactiveFlashCalls().empty());
    BXUT_KINADS(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
}  // namespace brixel::testing
