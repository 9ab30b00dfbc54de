// Plugging velocities: each correlation against a value worked out by hand, the dispatch on
// the model name and the profile of plugging velocities along a line.
#include "brixel/models/conveying/plugging_limits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"
#include "models/conveying/dilute_fixture.h"

namespace brixel::testing {
namespace {

constexpr double kG = 9.81;          // m/s2
constexpr double kAir = 1.2;         // kg/m3
constexpr double kQuartz = 2650.0;   // kg/m3
constexpr double kRelative = 1e-12;  // the correlations are closed forms

TEST(PluggingCorrelations, MatchHandValues) {
    // Segler: 19.8 m/s at 1 kg/s whatever the gas; 19.8 * 2^0.129 at 2 kg/s.
    EXPECT_DOUBLE_EQ(SeglerPluggingVelocity(1.0), 19.8);
    EXPECT_NEAR(SeglerPluggingVelocity(2.0), 21.652002058195720, 21.65 * kRelative);
    // Rizk: (80000 * 1 * 9.81^2 / (pi * 1.2))^(1/5).
    EXPECT_NEAR(RizkPluggingVelocity(1.0, kAir, kG), 18.281817809841794, 18.3 * kRelative);
    // Muschelknautz: 0.48 * (1 * 9.81 / (1.2 * 0.05))^0.33.
    EXPECT_NEAR(MuschelknautzPluggingVelocity(1.0, kAir, kG, 0.05), 2.580489505449026,
                2.58 * kRelative);
    // Wirth: 2.35 * ((2650 / 1.2 - 1)^2 * 1 * 0.55 * (9.81 * 0.4)^2 / 2650)^(1/5).
    EXPECT_NEAR(WirthPluggingVelocity(1.0, kAir, kQuartz, 0.45, kG, 0.4), 16.20055875456017,
                16.2 * kRelative);
    // Molerus: 5 * (1 * 96.2361 / 1.2)^(1/5); g does not enter.
    EXPECT_NEAR(MolerusPluggingVelocity(1.0, kAir), 12.017146567160282, 12.0 * kRelative);
}

TEST(PluggingCorrelations, RizkVelocityMeetsTheLoadingRelationForAnyDiameter) {
    const double solids = 0.7;
    const double velocity = RizkPluggingVelocity(solids, kAir, kG);
    for (double diameter : {0.025, 0.05, 0.2}) {
        const double loading =
            solids / (kAir * velocity * std::numbers::pi * diameter * diameter / 4.0);
        const double froude = velocity / std::sqrt(kG * diameter);
        EXPECT_NEAR(loading, std::pow(froude, 4) / 20000.0, loading * 1e-12) << diameter;
    }
}

TEST(PluggingCorrelations, NoSolidsGiveZero) {
    for (double solids : {0.0, -1.0}) {
        EXPECT_EQ(RizkPluggingVelocity(solids, kAir, kG), 0.0);
        EXPECT_EQ(MuschelknautzPluggingVelocity(solids, kAir, kG, 0.1), 0.0);
        EXPECT_EQ(SeglerPluggingVelocity(solids), 0.0);
        EXPECT_EQ(WirthPluggingVelocity(solids, kAir, kQuartz, 0.4, kG, 0.4), 0.0);
        EXPECT_EQ(MolerusPluggingVelocity(solids, kAir), 0.0);
    }
    // A bulk without voids leaves nothing to carry.
    EXPECT_EQ(WirthPluggingVelocity(1.0, kAir, kQuartz, 1.0, kG, 0.4), 0.0);
}

class PluggingLimitTest : public DiluteTest {};

// The dispatch reads the inlet's solids and the given stream's densities: 1 kg/s of quartz in
// 0.5 kg/s of nitrogen at 2 bar and 300 K.
TEST_F(PluggingLimitTest, ModelNamesDispatchToTheirCorrelation) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.5, 1.0, 2e5));
    unit.line.SetBulkPorosity(0.45);
    ASSERT_EQ(unit.Calculate(), kStatusOk);  // sets g from the host
    const double gas = NitrogenDensity(2e5);
    const int bead = static_cast<int>(inlet);
    // The host's quartz density, not the substream's stored one.
    double solid = 0.0;
    ASSERT_EQ(unit.GetSinglePhaseProp(inlet, kPropertyDensity, kPhaseSolid, &solid, kBasisMass),
              kStatusOk);
    ASSERT_GT(solid, 2000.0);
    struct Case {
        const char* model;
        double expected;
    };
    const Case cases[] = {
        {"Rizk (coarse)", RizkPluggingVelocity(1.0, gas, kGravity)},
        {"Muschelknautz (fines)", MuschelknautzPluggingVelocity(1.0, gas, kGravity, kDiameter)},
        {"Segler", 19.8},
        {"Wirth (coarse)", WirthPluggingVelocity(1.0, gas, solid, 0.45, kGravity, 0.4)},
        {"Molerus et al.", MolerusPluggingVelocity(1.0, gas)},
    };
    for (const Case& c : cases) {
        unit.line.SetPluggingLimitModel(c.model);
        double velocity = -1.0;
        ASSERT_EQ(unit.line.CalcPluggingLimit(bead, &velocity), kStatusOk) << c.model;
        EXPECT_NEAR(velocity, c.expected, c.expected * 1e-9) << c.model;
    }
    for (const char* unknown : {"Segler ", "segler", ""}) {
        unit.line.SetPluggingLimitModel(unknown);
        double velocity = -1.0;
        EXPECT_EQ(unit.line.CalcPluggingLimit(bead, &velocity), kStatusCapeUnknown) << unknown;
        EXPECT_EQ(velocity, -1.0);
    }
}

// As the gas expands along the line the plugging velocity rises; Segler's stays put.
TEST_F(PluggingLimitTest, ProfileFollowsTheGasDensity) {
    for (const char* model : {"Rizk (coarse)", "Molerus et al.", "Segler"}) {
        ConveyingUnit unit;
        Bind(unit, Feed(0.5, 0.5, 2e5));
        unit.line.SetPluggingLimitModel(model);
        ASSERT_EQ(unit.Calculate(), kStatusOk) << model;
        const auto& plugging =
            unit.line.GetWorkingProfile(CDilutePhaseConveying::Profile::kPluggingVelocity);
        const auto& density =
            unit.line.GetWorkingProfile(CDilutePhaseConveying::Profile::kGasDensity);
        ASSERT_GT(plugging.size(), 3u);
        for (std::size_t i = 0; i < plugging.size(); ++i) {
            const double expected = std::string(model) == "Segler" ? SeglerPluggingVelocity(0.5)
                                    : std::string(model) == "Molerus et al."
                                        ? MolerusPluggingVelocity(0.5, density[i])
                                        : RizkPluggingVelocity(0.5, density[i], kGravity);
            EXPECT_NEAR(plugging[i], expected, expected * 1e-12) << model << " " << i;
        }
        if (std::string(model) != "Segler") {
            EXPECT_GT(plugging.back(), plugging.front()) << model;
        }
    }
}

}  // namespace
}  // namespace brixel::testing
