// Pure-component thermodynamics of the host against literature values and against its own
// definitions (Cp as the slope of h, Cp/T as the slope of s).
#include <gtest/gtest.h>

#include <cmath>

#include "host/databank.h"
#include "host/thermo.h"

namespace brixel::host::testing {
namespace {

using namespace thermo;

const databank::Fluid& FluidOf(const char* id) {
    return *databank::FindSubstance(id)->fluid;
}

double NormalBoilingPoint(const databank::Fluid& fluid) {
    double low = 20.0, high = fluid.criticalTemperature;
    for (int i = 0; i < 100; ++i) {
        const double t = (low + high) / 2;
        (LnVapourPressure(fluid, t) < std::log(101325.0) ? low : high) = t;
    }
    return low;
}

TEST(ThermoTest, NormalBoilingPointsMatchTheLiterature) {
    // Normal boiling points (K) from steam tables and Poling et al., appendix A.
    const std::pair<const char*, double> cases[] = {
        {"WATER", 373.12}, {"N2", 77.35}, {"O2", 90.17}, {"AR", 87.27}, {"ETHANOL", 351.44}};
    for (const auto& [id, boiling] : cases) {
        EXPECT_NEAR(NormalBoilingPoint(FluidOf(id)), boiling, 0.5) << id;
    }
}

TEST(ThermoTest, IdealGasHeatCapacitiesMatchTablesAt300K) {
    // kJ/(kmol K) at 300 K, JANAF thermochemical tables.
    const std::pair<const char*, double> cases[] = {
        {"N2", 29.125}, {"O2", 29.385}, {"WATER", 33.596}, {"CO2", 37.221}, {"AR", 20.786}};
    for (const auto& [id, cp] : cases) {
        EXPECT_NEAR(IdealGasHeatCapacity(FluidOf(id), 300.0) / 1000.0, cp, 0.005 * cp) << id;
    }
}

TEST(ThermoTest, LiquidValuesMatchTheLiterature) {
    const auto& water = FluidOf("WATER");
    EXPECT_NEAR(HeatOfVaporization(water, 373.15), 40.66e6, 0.01 * 40.66e6);  // J/kmol
    EXPECT_NEAR(HeatOfVaporization(FluidOf("ETHANOL"), 351.44), 38.56e6, 0.01 * 38.56e6);
    EXPECT_EQ(HeatOfVaporization(water, 700.0), 0.0);
    EXPECT_NEAR(18.015 / LiquidMolarVolume(water, 298.15), 997.0, 5.0);  // kg/m3
    EXPECT_NEAR(28.014 / LiquidMolarVolume(FluidOf("N2"), 77.35), 806.0, 5.0);
}

TEST(ThermoTest, SolidHeatCapacitiesMatchTheLiteratureAt298K) {
    // J/(mol K) at 298.15 K, CRC handbook.
    const std::pair<const char*, double> cases[] = {
        {"SIO2", 44.43}, {"CACO3", 83.47}, {"AL2O3", 79.04}, {"NACL", 50.50}};
    for (const auto& [id, cp] : cases) {
        const auto& solid = *databank::FindSubstance(id)->solid;
        EXPECT_NEAR(SolidHeatCapacity(solid, 298.15) / 1000.0, cp, 0.02 * cp) << id;
    }
}

TEST(ThermoTest, EnthalpyAndEntropyAreTheIntegralsOfTheHeatCapacity) {
    const double step = 1e-3;
    auto slope = [&](auto f, double t) { return (f(t + step) - f(t - step)) / (2 * step); };
    for (const char* id : {"WATER", "N2", "CO2", "AR", "ETHANOL"}) {
        const auto& fluid = FluidOf(id);
        EXPECT_NEAR(IdealGasEnthalpy(fluid, kReferenceTemperature), 0.0, 1e-6) << id;
        EXPECT_NEAR(IdealGasEntropy(fluid, kReferenceTemperature), 0.0, 1e-9) << id;
        for (const double t : {50.0, 300.0, 1500.0}) {
            const double cp = IdealGasHeatCapacity(fluid, t);
            EXPECT_NEAR(slope([&](double u) { return IdealGasEnthalpy(fluid, u); }, t), cp,
                        1e-5 * cp);
            EXPECT_NEAR(slope([&](double u) { return IdealGasEntropy(fluid, u); }, t), cp / t,
                        1e-5 * cp / t);
        }
    }
    // Inside and beyond the fitted range, where Cp is held at the end values.
    const auto& quartz = *databank::FindSubstance("SIO2")->solid;
    for (const double t : {100.0, 500.0, 1200.0}) {
        const double cp = SolidHeatCapacity(quartz, t);
        EXPECT_NEAR(slope([&](double u) { return SolidEnthalpy(quartz, u); }, t), cp, 1e-5 * cp);
        EXPECT_NEAR(slope([&](double u) { return SolidEntropy(quartz, u); }, t), cp / t,
                    1e-5 * cp / t);
    }
    EXPECT_EQ(SolidEnthalpy(quartz, kReferenceTemperature), 0.0);
}

TEST(ThermoTest, LiquidEntropyDiffersFromTheSaturatedVapourByTheHeatOverT) {
    const auto& water = FluidOf("WATER");
    const double t = 350.0;
    const double vapour = IdealGasEntropy(water, t) -
                          kGasConstant * (LnVapourPressure(water, t) - std::log(101325.0));
    EXPECT_NEAR(vapour - LiquidEntropy(water, t), HeatOfVaporization(water, t) / t, 1e-6);
}

TEST(ThermoTest, RachfordRiceFindsTheVapourFraction) {
    // z = (0.5, 0.5), K = (2, 0.5): 0.5 / (1 + b) = 0.25 / (1 - b / 2) gives b = 0.5.
    EXPECT_NEAR(SolveVapourFraction({0.5, 0.5}, {2.0, 0.5}), 0.5, 1e-14);
    EXPECT_EQ(SolveVapourFraction({0.5, 0.5}, {1.2, 0.5}), 0.0);  // below the bubble point
    EXPECT_EQ(SolveVapourFraction({0.5, 0.5}, {4.0, 0.9}), 1.0);  // above the dew point
    EXPECT_EQ(SolveVapourFraction({1.0}, {0.0}), 0.0);
}

}  // namespace
}  // namespace brixel::host::testing
