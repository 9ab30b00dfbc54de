#include "brixel/particles/terminal_velocity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/messages/error_print.h"
#include "brixel/properties/phase_properties.h"
#include "host/substitute_host.h"
#include "support/unit_fixture.h"

namespace {

using brixel::SettlingVelocity;
using brixel::TerminalSettlingVelocity;

constexpr double kGravity = 9.81;
constexpr double kAir = 1.2;              // kg/m3
constexpr double kAirViscosity = 1.8e-5;  // Pa*s
constexpr double kWater = 998.0;
constexpr double kWaterViscosity = 1.0e-3;
constexpr double kSand = 2650.0;

SettlingVelocity Settle(double d, double particle, double fluid, double viscosity,
                        double g = kGravity) {
    const auto result = TerminalSettlingVelocity(d, particle, fluid, viscosity, g);
    EXPECT_TRUE(result.has_value());
    return result.value_or(SettlingVelocity{std::nan(""), 0.0, 0.0});
}

// The drag law solved on its own: bisection on v - sqrt(A g / Cw(Re(v))), which rises with v.
double BisectedVelocity(double d, double particle, double fluid, double viscosity, double g) {
    const double a = std::fabs(particle / fluid - 1.0) * d * 4.0 / 3.0;
    auto residual = [&](double v) {
        const double re = d * fluid * v / viscosity;
        const double cw = 24.0 / re + 4.0 / std::sqrt(re) + 0.4;
        return v - std::sqrt(a * g / cw);
    };
    double low = 1e-12, high = 1e3;
    for (int i = 0; i < 200; ++i) {
        const double middle = 0.5 * (low + high);
        (residual(middle) < 0.0 ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

TEST(TerminalSettlingVelocity, ParticleOfTheFluidsDensityStaysPut) {
    EXPECT_EQ(Settle(1e-4, kWater, kWater, kWaterViscosity).velocity, 0.0);
    EXPECT_EQ(Settle(0.0, kSand, kWater, kWaterViscosity).velocity, 0.0);
    // A drive A g below 1e-10 m2/s2, a negative acceleration included, settles nothing.
    EXPECT_EQ(Settle(1e-4, kSand, kWater, kWaterViscosity, -kGravity).velocity, 0.0);
    EXPECT_EQ(Settle(1e-4, kSand, kWater, kWaterViscosity, 0.0).velocity, 0.0);
}

TEST(TerminalSettlingVelocity, LighterParticleRisesAsFastAsOneAsMuchHeavierSettles) {
    for (const double d : {1e-6, 1e-4, 3e-3}) {
        const double heavy = Settle(d, kWater + 400.0, kWater, kWaterViscosity).velocity;
        const double light = Settle(d, kWater - 400.0, kWater, kWaterViscosity).velocity;
        EXPECT_GT(heavy, 0.0) << d;
        EXPECT_DOUBLE_EQ(light, -heavy) << d;
    }
}

TEST(TerminalSettlingVelocity, ApproachesStokesAtLowReynolds) {
    const double d = 1e-6;
    const double stokes = d * d * (kSand - kAir) * kGravity / (18.0 * kAirViscosity);  // 8.0e-5
    const SettlingVelocity v = Settle(d, kSand, kAir, kAirViscosity);
    EXPECT_NEAR(v.velocity, stokes, 1e-3 * stokes);
    EXPECT_LT(v.reynolds, 1e-4);
    EXPECT_NEAR(v.reynolds, d * kAir * stokes / kAirViscosity, 2e-3 * v.reynolds);
    EXPECT_NEAR(v.dragCoefficient, 24.0 / v.reynolds, 0.01 * v.dragCoefficient);
}

TEST(TerminalSettlingVelocity, MatchesTheDragLawSolvedIndependently) {
    struct Case {
        double d, particle, fluid, viscosity;
    };
    // Re about 7 (sand in water), about 1700 (sand in air), about 5 (a rising droplet).
    for (const Case& c :
         {Case{2e-4, kSand, kWater, kWaterViscosity}, Case{5e-3, kSand, kAir, kAirViscosity},
          Case{3e-4, 800.0, kWater, kWaterViscosity}}) {
        const double expected = BisectedVelocity(c.d, c.particle, c.fluid, c.viscosity, kGravity);
        const SettlingVelocity v = Settle(c.d, c.particle, c.fluid, c.viscosity);
        const double sign = c.particle < c.fluid ? -1.0 : 1.0;
        EXPECT_NEAR(v.velocity, sign * expected, 2e-3 * expected) << c.d;
        const double re = c.d * c.fluid * std::fabs(v.velocity) / c.viscosity;
        EXPECT_NEAR(v.reynolds, re, 3e-3 * re) << c.d;
        EXPECT_NEAR(v.dragCoefficient, 24.0 / v.reynolds + 4.0 / std::sqrt(v.reynolds) + 0.4,
                    1e-12 * v.dragCoefficient);
    }
}

TEST(TerminalSettlingVelocity, WithoutViscosityTheNewtonLimitHolds) {
    const double d = 1e-3;
    const double a = (kSand / kWater - 1.0) * d * 4.0 / 3.0;
    const SettlingVelocity v = Settle(d, kSand, kWater, 0.0);
    EXPECT_NEAR(v.velocity, std::sqrt(a * kGravity / 0.4), 1e-12);
    EXPECT_EQ(v.dragCoefficient, 0.4);
    EXPECT_TRUE(std::isinf(v.reynolds));
}

TEST(TerminalSettlingVelocity, AllClassesAtOnceGiveEachClassAloneToTheBit) {
    // Classes from 0 (no drive) through Stokes, the transition and Newton's regime, in no
    // order, so that classes converge at different steps and leave the lanes in between.
    std::vector<double> diameters{0.0};
    for (int i = 0; i < 60; ++i) {
        diameters.push_back(1e-7 * std::pow(10.0, ((i * 37) % 60) / 10.0));
    }
    struct Fluid {
        double particle;
        double density;
        double viscosity;
    };
    for (const Fluid fluid :
         {Fluid{kSand, kWater, kWaterViscosity}, Fluid{kSand, kAir, kAirViscosity},
          Fluid{500.0, kWater, 1e-3}, Fluid{kSand, kWater, 0.0}}) {
        std::vector<SettlingVelocity> all;
        ASSERT_TRUE(brixel::TerminalSettlingVelocities(diameters, fluid.particle, fluid.density,
                                                       fluid.viscosity, kGravity, all));
        ASSERT_EQ(all.size(), diameters.size());
        for (std::size_t j = 0; j < diameters.size(); ++j) {
            const SettlingVelocity one =
                Settle(diameters[j], fluid.particle, fluid.density, fluid.viscosity);
            EXPECT_EQ(all[j].velocity, one.velocity) << fluid.particle << " " << j;
            EXPECT_EQ(all[j].reynolds, one.reynolds) << j;
            EXPECT_EQ(all[j].dragCoefficient, one.dragCoefficient) << j;
        }
        // A particle lighter than the fluid rises; the largest one fastest.
        EXPECT_EQ(all.front().velocity, 0.0);
        if (fluid.particle < fluid.density) {
            EXPECT_LT(all[7].velocity, 0.0);
        }
    }
    // Water, 100 um sand: the batch agrees with the drag law solved on its own.
    std::vector<SettlingVelocity> sand;
    ASSERT_TRUE(brixel::TerminalSettlingVelocities({1e-4, 2e-4}, kSand, kWater, kWaterViscosity,
                                                   kGravity, sand));
    EXPECT_NEAR(sand[0].velocity, BisectedVelocity(1e-4, kSand, kWater, kWaterViscosity, kGravity),
                2e-3 * sand[0].velocity);
    // One class without a settling velocity fails the whole set.
    std::vector<SettlingVelocity> failed;
    EXPECT_FALSE(brixel::TerminalSettlingVelocities({1e-4, std::nan(""), 1e-3}, kSand, kWater,
                                                    kWaterViscosity, kGravity, failed));
    EXPECT_FALSE(brixel::TerminalSettlingVelocities({1e-4, -1e-6}, kSand, kWater, kWaterViscosity,
                                                    kGravity, failed));
}

TEST(TerminalSettlingVelocity, InputsWithoutAnAnswerGiveNone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, kWater, nan, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, nan, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, 0.0, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, -kWater, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, kWater, -1e-3, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(-1e-4, kSand, kWater, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, -kSand, kWater, kWaterViscosity, kGravity));
    // 0 is how an unknown class density arrives; it must not turn into a rising particle.
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, 0.0, kWater, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(nan, kSand, kWater, kWaterViscosity, kGravity));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, kWater, kWaterViscosity, inf));
    EXPECT_FALSE(TerminalSettlingVelocity(1e-4, kSand, 1e-320, kWaterViscosity, kGravity));
}

class SettlingReportTest : public ::testing::Test {
  protected:
    SettlingReportTest() : block_(host_.AddBlock("SEP1", {}, {})), msg_(block_.statusBlock.data()) {
        msg_.EnableOutput(true);
        report_.vapor = false;
        report_.fluidDensity = 998.2;
        report_.viscosity = 0.0010016;
        brixel::SettlingReportClass sand{"CIPSD", {}};
        sand.rows.push_back({1.5e-4, 2650.0, {0.0123456789, 1.23456789, 25.0}});
        sand.rows.push_back({1e-5, 2650.04, {-1.5e-7, 0.0, 0.0}});
        report_.classes.push_back(sand);
    }

    void SetPrintLevel(int64_t level) {
        block_.statusBlock[brixel::records::kStatusPrintLevel] = level;
    }

    brixel::host::SubstituteHost host_;
    brixel::host::Block& block_;
    CErrorPrint msg_;
    brixel::SettlingReport report_;
};

std::string Blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

TEST_F(SettlingReportTest, WritesTheTableAtPrintLevelAboveFour) {
    SetPrintLevel(5);
    brixel::WriteSettlingReport(msg_, report_);
    // History lines start with 6 blanks; tabulated ones add the first stop (1) and put the
    // columns at 13, 24, 40 and 56 after it.
    const std::vector<std::string> expected{
        "",
        "      TERMINAL VELOCITY CALCULATIONS - SOLID IN LIQUID",
        "        LIQUID DENSITY:   998.2 KG/CUM",
        "        LIQUID VISCOSITY: 0.0010016 PA*S",
        "",
        "      - SUBSTREAM CIPSD:",
        "",
        Blanks(7) + "SIZE" + Blanks(8) + "DENSITY" + Blanks(4) + "VELOCITY" + Blanks(8) + "RE" +
            Blanks(14) + "CW",
        Blanks(7) + "M" + Blanks(11) + "KG/CUM" + Blanks(5) + "M/S",
        Blanks(7) + "0.00015" + Blanks(5) + "2650" + Blanks(7) + "0.0123457" + Blanks(7) +
            "1.23457" + Blanks(9) + "25",
        Blanks(7) + "1E-05" + Blanks(7) + "2650" + Blanks(7) + "-1.5E-07" + Blanks(8) + "0" +
            Blanks(15) + "0",
        "",
    };
    EXPECT_EQ(host_.HistoryLines(), expected);
}

TEST_F(SettlingReportTest, VaporHeadingAndOneBlockPerDensityClass) {
    report_.vapor = true;
    report_.classes.push_back({"CISOLID", {}});
    const auto lines = brixel::SettlingReportLines(report_);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[1].text, "Terminal velocity calculations - solid in vapor");
    EXPECT_EQ(lines[2].text, "  vapor density:   998.2 kg/cum");
    EXPECT_EQ(lines[3].text, "  vapor viscosity: 0.0010016 Pa*s");
    EXPECT_EQ(lines[12].text, "- Substream CISOLID:");
    EXPECT_TRUE(lines[14].tabbed);
    EXPECT_EQ(lines[14].text, "Size\tDensity\tVelocity\tRe\tCw");
    EXPECT_EQ(lines[15].text, "m\tkg/cum\tm/s");
    EXPECT_FALSE(lines[16].tabbed);
    EXPECT_EQ(lines[16].text, "");
}

TEST_F(SettlingReportTest, NothingAtPrintLevelFourOrWithoutStatusBlock) {
    SetPrintLevel(4);
    brixel::WriteSettlingReport(msg_, report_);
    CErrorPrint unbound;
    brixel::WriteSettlingReport(unbound, report_);
    EXPECT_TRUE(host_.HistoryLines().empty());
}

// Nitrogen carrying silica sand in two CISOLID substreams that share the mesh {0, 10, 100} um.
class CalcTvdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddDatabankComponent("N2");
        host.AddDatabankComponent("SIO2");
        const std::vector<double> mesh{0.0, 1e-5, 1e-4};
        streamClass = host.AddStreamClass("MIXCI2", {{"MIXED", 1, {}},
                                                     {"CI1", 2, {brixel::host::Psd(mesh)}},
                                                     {"CI2", 2, {brixel::host::Psd(mesh)}}});
        brixel::plex::SetupFromHost();
    }

    // Solids of 2650 kg/m3 ({0.4, 0.6}) and of `density2` ({1, 0}) at three times the flow.
    void Bind(double sandFlow, double density2 = 1500.0) {
        const int64_t bead = host.AddStream(streamClass);
        brixel::host::SubstreamState state;
        state.temperature = kTemperature;
        state.pressure = kPressure;
        state.flows = {0.1, 0.0};
        state.vaporFraction = 1.0;
        state.liquidFraction = 0.0;
        host.SetSubstream(bead, 0, state);
        state.vaporFraction = state.liquidFraction = brixel::host::kRealMissing;
        state.flows = {0.0, sandFlow};
        state.density = kSand;
        state.psd = {0.4, 0.6};
        host.SetSubstream(bead, 1, state);
        state.flows = {0.0, 3.0 * sandFlow};
        state.density = density2;
        state.psd = {1.0, 0.0};
        host.SetSubstream(bead, 2, state);

        block = &host.AddBlock("B1", {bead}, {});
        counts = {1, 0};
        unit.SetStreamBeads(&counts[0], block->inlets.data(), &counts[1], nullptr);
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.SetBlockID(block->id.data(), 1);
        unit.NamePorts({"IN"});
    }

    // The status CalcTVD throws, or its return value.
    long Run(int phaseId, int64_t printLevel = 0) {
        block->statusBlock[brixel::records::kStatusPrintLevel] = printLevel;
        try {
            return unit.CalcTVD(0, 1, phaseId, velocities, fractions, kGravity);
        } catch (long status) {
            return status;
        }
    }

    double GasProperty(int propertyId) {
        double value = 0.0;
        EXPECT_EQ(
            unit.GetSinglePhaseProp(0, propertyId, brixel::kPhaseVapor, &value, brixel::kBasisMass),
            0);
        return value;
    }

    static constexpr double kTemperature = 300.0;
    static constexpr double kPressure = 1e5;
    brixel::host::SubstituteHost host;
    int64_t streamClass = 0;
    brixel::host::Block* block = nullptr;
    std::array<int64_t, 2> counts{};
    brixel::testing::TestUnit unit;
    CComSafeArray<VARIANT> velocities;
    CComSafeArray<double> fractions;
};

TEST_F(CalcTvdTest, VelocitiesAndFractionsPerDensityClassAndSize) {
    Bind(0.01);
    ASSERT_EQ(Run(0), 0);

    // Nitrogen near the ideal gas (P M / R T) and of the viscosity of air.
    const double rho = GasProperty(brixel::kPropertyDensity);
    const double eta = GasProperty(brixel::kPropertyViscosity);
    EXPECT_NEAR(rho, kPressure * 28.0134 / (8314.46 * kTemperature), 0.02 * rho);
    EXPECT_NEAR(eta, 1.79e-5, 0.1 * eta);

    ASSERT_EQ(velocities.GetCount(), 4u);
    ASSERT_EQ(fractions.GetCount(), 4u);
    // Class shares 1/4 and 3/4 of the solids times each class's PSD.
    const double expectedFractions[] = {0.1, 0.15, 0.75, 0.0};
    const double densities[] = {kSand, kSand, 1500.0, 1500.0};
    const double diameters[] = {5e-6, 5.5e-5, 5e-6, 5.5e-5};
    for (long i = 0; i < 4; ++i) {
        EXPECT_NEAR(fractions.GetAt(i), expectedFractions[i], 1e-12) << i;
        const double expected = BisectedVelocity(diameters[i], densities[i], rho, eta, kGravity);
        ASSERT_EQ(velocities.GetAt(i).vt, VT_R8);
        EXPECT_NEAR(velocities.GetAt(i).dblVal, expected, 2e-3 * expected) << i;
    }
    EXPECT_TRUE(host.HistoryLines().empty());
}

TEST_F(CalcTvdTest, ReportNamesTheFluidAndEachCarrierAtPrintLevelFive) {
    Bind(0.01);
    ASSERT_EQ(Run(brixel::kPhaseVapor, 5), 0);
    const auto& lines = host.HistoryLines();
    ASSERT_EQ(lines.size(), 19u);  // 4 heading lines, 7 per class, a closing blank line
    EXPECT_EQ(lines[1], "      TERMINAL VELOCITY CALCULATIONS - SOLID IN VAPOR");
    EXPECT_EQ(lines[2].rfind("        VAPOR DENSITY:   1.1", 0), 0u) << lines[2];
    EXPECT_EQ(lines[5], "      - SUBSTREAM CI1:");
    EXPECT_EQ(lines[9].rfind("       5E-06       2650", 0), 0u) << lines[9];
    EXPECT_EQ(lines[12], "      - SUBSTREAM CI2:");
    EXPECT_EQ(lines[17].rfind("       5.5E-05     1500", 0), 0u) << lines[17];
}

TEST_F(CalcTvdTest, FailuresAreThrownAndLeaveTheOutputsAlone) {
    Bind(0.01);
    velocities = CComSafeArray<VARIANT>(1);
    fractions = CComSafeArray<double>(1);
    EXPECT_EQ(Run(brixel::kPhaseSolid), brixel::kStatusInvalidArgument);
    EXPECT_EQ(Run(3), brixel::kStatusInvalidArgument);
    EXPECT_EQ(velocities.GetCount(), 1u);
    EXPECT_EQ(fractions.GetCount(), 1u);
}

TEST_F(CalcTvdTest, StreamWithoutSolidsHasNoClasses) {
    Bind(0.0);
    EXPECT_EQ(Run(0), brixel::kStatusFail);
    EXPECT_EQ(velocities.GetDimensions(), 0u);
}

TEST_F(CalcTvdTest, ClassOfUnknownDensityIsAnError) {
    Bind(0.01, brixel::host::kRealMissing);
    EXPECT_EQ(Run(0), brixel::kStatusFail);
    EXPECT_EQ(velocities.GetDimensions(), 0u);
}

}  // namespace
