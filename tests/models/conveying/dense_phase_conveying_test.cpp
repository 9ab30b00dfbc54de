// Dense-phase conveying on real substances: the slug-flow balance against an independent
// solution, the pressure drops, the profile, validation, and every reachable message.
#include "brixel/models/conveying/dense_phase_conveying.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "brixel/framework/flash_kode.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "models/conveying/dense_fixture.h"
#include "support/array_helpers.h"

namespace brixel::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;  // m/s2, the host's standard acceleration of gravity
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- the slug-flow model written out independently ----

// Pressure gradient (Pa/m) of gas at superficial velocity U through a packed bed (Ergun).
double PackedBedGradient(double voidage, double sphericity, double diameter, double viscosity,
                         double density, double U) {
    const double e3 = voidage * voidage * voidage;
    const double dv = sphericity * diameter;
    return 150.0 * viscosity * (1.0 - voidage) * (1.0 - voidage) * U / (e3 * dv * dv) +
           1.75 * density * (1.0 - voidage) * U * U / (e3 * dv);
}

struct Line {
    double D = 0.1, L = 50.0, Lf = 5.0, alpha = 0.0, bulk = 1500.0, k = 0.5, muWall = 0.4;
};

// The slug balance of a line for an inlet of sand and gas.
struct Balance {
    Line line;
    double voidage, diameter, viscosity, gasDensity, gasVelocity, uc;

    double Push(double u) const {
        const double r = uc / u;
        const double chord = line.D * std::pow(4.0 * r * (1.0 - r), 0.3333);
        const double rest = std::sqrt(line.D * line.D - chord * chord);
        const double h = u >= 1.164 * std::sqrt(kGravity * line.D) ? line.D + rest : line.D - rest;
        return 4.0 * line.muWall * line.k / line.D *
                   (r * (1.0 - r) * line.bulk * u * u + h * kGravity * line.bulk / (2.0 * line.k)) +
               line.muWall * line.bulk * kGravity;
    }
    double Gas(double u) const {
        return PackedBedGradient(voidage, 1.0, diameter, viscosity, gasDensity, gasVelocity - u);
    }
    // The root of Gas - Push on [uc, vG], bisected to the last bit.
    double SlugVelocity() const {
        double lo = uc, hi = gasVelocity;
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            (Gas(mid) > Push(mid) ? lo : hi) = mid;
        }
        return 0.5 * (lo + hi);
    }
};

class DenseLineTest : public DenseConveyingTest {
  protected:
    // Ideal-gas density of nitrogen (kg/m3).
    static double NitrogenDensity(double pressure, double temperature = 300.0) {
        return pressure * kNitrogenWeight / (kGasConstant * temperature);
    }
    // Sauter diameter of the feed's PSD from the class midpoints (m).
    double Sauter() const {
        double sum = 0.0;
        for (std::size_t i = 0; i < kPsd.size(); ++i) {
            sum += kPsd[i] / (0.5 * (kMesh[i] + kMesh[i + 1]));
        }
        return 1.0 / sum;
    }
    double InletProperty(cli::DenseConveyingUnit& unit, const char* property) {
        double value = kNaN;
        EXPECT_EQ(unit.GetSinglePhaseProp(CString("INLET"), CComBSTR(property), CComBSTR("vapor"),
                                          &value, CComBSTR("mass")),
                  kStatusOk);
        return value;
    }
    double Pressure(cli::DenseConveyingUnit& unit, int64_t bead) {
        double value = kNaN;
        EXPECT_EQ(unit.GetPressure(static_cast<int>(bead), &value), kStatusOk);
        return value;
    }
    // The balance of the configured line for 0.1 kg/s nitrogen at 3 bar, 300 K; the viscosity
    // is the host's, read from the flashed inlet.
    Balance BalanceOf(cli::DenseConveyingUnit& unit, Line line, double nitrogen = 0.1,
                      double pressure = 3e5) {
        const double rho = NitrogenDensity(pressure);
        const double area = 0.25 * kPi * line.D * line.D;
        return {line,
                1.0 - line.bulk / kQuartzDensity,
                Sauter(),
                InletProperty(unit, "viscosity"),
                rho,
                nitrogen / rho / area,
                0.542 * std::sqrt(kGravity * line.D)};
    }
    static void Apply(CDensePhaseConveying& model, const Line& line) {
        model.SetTubeDiameter(line.D);
        model.SetTubeLength(line.L);
        model.SetFictiveLenght(line.Lf);
        model.SetRiseAngle(line.alpha);
        model.SetBulkDensity(line.bulk);
        model.SetStressTransCoef(line.k);
        model.SetParticelWallFriction(line.muWall);
        model.SetUseUserDefCharacViscosityParameter(false);
    }
};

// ---- plain-data gradients ----

TEST(SlugFlowGradients, GasGradientIsTheErgunEquation) {
    // 150 eta (1-e)^2 U / (e^3 (psi d)^2) + 1.75 rho (1-e) U^2 / (e^3 psi d) at U = 1.5 m/s,
    // d = 2 mm, eta = 1.8e-5 Pa s, rho = 1.2 kg/m3, evaluated by hand.
    const struct {
        double voidage, sphericity, expected;
    } cases[] = {{0.4, 1.0, 27843.75}, {0.45, 0.8, 23075.8101852}};
    for (const auto& c : cases) {
        SlugFlow flow{};
        ErgunCoefficients(c.voidage, c.sphericity, 2e-3, 1.8e-5, 1.2, flow.ergunA, flow.ergunB);
        flow.gasVelocity = 4.0;
        EXPECT_NEAR(SlugGasGradient(flow, 2.5), c.expected, 1e-9 * c.expected) << c.sphericity;
        EXPECT_NEAR(SlugGasGradient(flow, 2.5),
                    PackedBedGradient(c.voidage, c.sphericity, 2e-3, 1.8e-5, 1.2, 1.5),
                    1e-9 * c.expected);
        EXPECT_EQ(SlugGasGradient(flow, 4.0), 0.0);  // no relative velocity, no gradient
    }
}

TEST(SlugFlowGradients, PushGradientOnBothSidesOfTheContactSwitch) {
    // D 0.1 m, g 9.81, rho_b 1500, k 0.5, mu_w 0.4, u_c 0.5 m/s; the switch lies at
    // 1.164 sqrt(g D) = 1.1529 m/s.
    const SlugFlow flow{0.1, 9.81, 1500.0, 0.5, 0.4, 0.5, 4.0, 0.0, 0.0};
    // u = 1 m/s: r = 0.5, the chord is the diameter and h = D, so
    // 8 (0.25 * 1500 + 0.1 * 9.81 * 1500) + 0.4 * 1500 * 9.81 = 20658.
    EXPECT_NEAR(SlugPushGradient(flow, 1.0), 20658.0, 1e-9 * 20658.0);
    // Below the switch h = D - sqrt(D^2 - s^2) (0.0794795 m), above it D + sqrt(...)
    // (0.1417735 m at 2 m/s).
    EXPECT_NEAR(SlugPushGradient(flow, 0.8), 17042.3268518, 1e-6);
    EXPECT_NEAR(SlugPushGradient(flow, 2.0), 31575.5739633, 1e-6);
    // At u_c the slug is at rest against the wall: only mu_w rho_b g remains.
    EXPECT_NEAR(SlugPushGradient(flow, 0.5), 0.4 * 1500.0 * 9.81, 1e-9);
}

// ---- ports, defaults, validation ----

TEST_F(DenseLineTest, PortsAndDefaults) {
    cli::DenseConveyingUnit unit;
    CDensePhaseConveying model(&unit);
    CStringArray names;
    names.Add("OLD");
    EXPECT_EQ(model.InitializePorts(&names), kStatusOk);
    ASSERT_EQ(names.GetSize(), 2);
    EXPECT_EQ(names[0], "INLET");
    EXPECT_EQ(names[1], "OUTLET");
    EXPECT_EQ(model.InitializePorts(nullptr), kStatusNullPointer);

    const double missing = CBrixelBaseUnit::m_dblRMiss;
    EXPECT_TRUE(model.GetUseUserDefCharacViscosityParameter());
    EXPECT_EQ(model.GetUserDefCharacViscParameter(), missing);
    EXPECT_EQ(model.GetTubeLength(), missing);
    EXPECT_EQ(model.GetLowPressureThreshold(), 100.0);
    for (const double result :
         {model.GetFrictionPressureDrop(), model.GetCurvePressureDrop(),
          model.GetPressureDropLift(), model.GetTotCalcPressureDrop(), model.GetSlugVelocity(),
          model.GetTotSlugLength(), model.GetCalcCharacViscParameter(), model.GetSolidsLoading(),
          model.GetCalculatedHeatDuty()}) {
        EXPECT_EQ(result, missing);
    }
    EXPECT_EQ(model.GetLenghtProfile().GetCount(), 0u);

    // Without an owner nothing can be read or written: refused, not dereferenced.
    CDensePhaseConveying orphan(nullptr);
    double value = 0.0;
    EXPECT_EQ(orphan.Calculate(), kStatusInvalidArgument);
    EXPECT_EQ(orphan.GetInletData(value, value, value, value, value, value, value),
              kStatusInvalidArgument);
    EXPECT_EQ(orphan.GeneratePressureProfile(3), kStatusInvalidArgument);
    orphan.ValidateData();
    orphan.SetOutletStreams();
}

TEST_F(DenseLineTest, ValidationWithDefaultFieldsNamesEveryMissingInput) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    unit.ValidateData();
    EXPECT_TRUE(unit.HasValidationErrors());
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             "      TUBE DIAMETER NOT DEFINED.",
                             "      TUBE LENGTH NOT DEFINED.",
                             "      PIPE RISE ANGLE NOT DEFINED.",
                             "      FICTIVE LENGTH OF BENDS NOT DEFINED.",
                             "      NEITHER BULK DENSITY NOR VOIDAGE DEFINED.",
                             "      STRESS TRANSMISSION COEFFICIENT NOT DEFINED.",
                             "      PARTICLE-WALL FRICTION PARAMETER NOT DEFINED.",
                         }));
    std::vector<int64_t> codes;
    for (const auto& check : host.LevelChecks()) {
        EXPECT_EQ(check.tag, "DENSCONV");
        codes.push_back(check.code);
    }
    EXPECT_EQ(codes, (std::vector<int64_t>{51, 52, 55, 56, 54, 56, 58}));

    // A configured line passes, and a voidage stands in for the bulk density.
    host.ClearCaptures();
    Configure(unit.GetConveying());
    unit.GetConveying().SetBulkDensity(CBrixelBaseUnit::m_dblRMiss);
    unit.GetConveying().SetVoidage(0.4);
    unit.ValidateData();
    EXPECT_FALSE(unit.HasValidationErrors());
    EXPECT_TRUE(host.PrintedLines().empty());
}

TEST_F(DenseLineTest, ValidationRangeChecksAreExact) {
    struct Case {
        const char* name;
        void (*change)(CDensePhaseConveying&);
        int64_t code;
        const char* line;
    };
    const Case cases[] = {
        {"diameter 0", [](CDensePhaseConveying& m) { m.SetTubeDiameter(0.0); }, 50,
         "      TUBE DIAMETER MUST BE GREATER THAN ZERO."},
        {"diameter NaN", [](CDensePhaseConveying& m) { m.SetTubeDiameter(kNaN); }, 51,
         "      TUBE DIAMETER NOT DEFINED."},
        {"length -1", [](CDensePhaseConveying& m) { m.SetTubeLength(-1.0); }, 52,
         "      LENGHT OF THE TUBE MUST BE GREATER THAN ZERO."},
        {"angle NaN", [](CDensePhaseConveying& m) { m.SetRiseAngle(kNaN); }, 55,
         "      PIPE RISE ANGLE NOT DEFINED."},
        {"bends -1", [](CDensePhaseConveying& m) { m.SetFictiveLenght(-1.0); }, 56,
         "      FICTIVE LENGTH OF BENDS MUST BE GREATER THAN OR EQUAL TO ZERO."},
        {"bulk 0", [](CDensePhaseConveying& m) { m.SetBulkDensity(0.0); }, 54,
         "      BULK DENSITY MUST BE GREATER THAN ZERO."},
        {"sphericity 0", [](CDensePhaseConveying& m) { m.SetSphericity(0.0); }, 55,
         "      SPHERICITY HAS TO BE BETWEEN ZERO AND ONE (0<S<=1)."},
        {"sphericity 1.1", [](CDensePhaseConveying& m) { m.SetSphericity(1.1); }, 55,
         "      SPHERICITY HAS TO BE BETWEEN ZERO AND ONE (0<S<=1)."},
        {"sphericity NaN", [](CDensePhaseConveying& m) { m.SetSphericity(kNaN); }, 55,
         "      SPHERICITY HAS TO BE BETWEEN ZERO AND ONE (0<S<=1)."},
        {"stress 0", [](CDensePhaseConveying& m) { m.SetStressTransCoef(0.0); }, 56,
         "      STRESS TRANSMISSION COEFFICIENT MUST BE GREATER THAN ZERO."},
        {"wall friction -0.1", [](CDensePhaseConveying& m) { m.SetParticelWallFriction(-0.1); }, 58,
         "      PARTICLE-WALL FRICTION PARAMETER MUST BE GREATER THAN ZERO."},
        {"characteristic 0",
         [](CDensePhaseConveying& m) {
             m.SetUseUserDefCharacViscosityParameter(true);
             m.SetCharacViscosityParameter(0.0);
         },
         59, "      CHARACTERISTIC VISCOSITY PARAMETER MUST BE GREATER THAN ZERO."},
        {"user diameter -1",
         [](CDensePhaseConveying& m) {
             m.SetUseUserDefParticleDiamMode(true);
             m.SetUserDefParticleDiameter(-1.0);
         },
         80, "      USER SPECIFIED PARTICLE DIAMETER MUST BE GREATER THAN ZERO."},
        {"iterations 0", [](CDensePhaseConveying& m) { m.SetMaxIt(0); }, 90,
         "      MAX. NUMBER OF ITERATIONS MUST BE GREATER THAN ZERO."},
        {"threshold -1", [](CDensePhaseConveying& m) { m.SetLowPressureThreshold(-1.0); }, 91,
         "      MIN. OUTLET PRESSURE MUST BE GREATER THAN ZERO."},
        {"gradient tolerance NaN", [](CDensePhaseConveying& m) { m.SetVelocityTolerance(kNaN); },
         92, "      MAX. RELATIVE PRESSURE DIFFERENCE MUST BE GREATER THAN ZERO."},
        {"velocity tolerance -1", [](CDensePhaseConveying& m) { m.SetPressureTolerance(-1.0); }, 92,
         "      MIN. RELATIVE VELOCITY DIFFERENCE MUST BE GREATER THAN ZERO."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCaptures();
        cli::DenseConveyingUnit unit;
        Bind(unit, Inlet(0.1, 1.0));
        Configure(unit.GetConveying());
        c.change(unit.GetConveying());
        unit.ValidateData();
        EXPECT_TRUE(unit.HasValidationErrors());
        EXPECT_EQ(Printed(), std::vector<std::string>{c.line});
        ASSERT_EQ(host.LevelChecks().size(), 1u);
        EXPECT_EQ(host.LevelChecks()[0].code, c.code);
    }
}

// ---- the slug-flow calculation ----

TEST_F(DenseLineTest, SlugVelocitySolvesTheGradientBalanceAndSetsTheResults) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    CDensePhaseConveying& model = unit.GetConveying();
    const Line line;
    Apply(model, line);
    // Ends on the width of the velocity interval only.
    model.SetVelocityTolerance(0.0);
    model.SetPressureTolerance(1e-10);
    ASSERT_EQ(unit.Calculate(), kStatusOk) << ::testing::PrintToString(host.PrintedLines());
    EXPECT_TRUE(host.PrintedLines().empty());
    EXPECT_EQ(Outcome(), -9999);

    const Balance balance = BalanceOf(unit, line);
    const double u = model.GetSlugVelocity();
    EXPECT_NEAR(u, balance.SlugVelocity(), 1e-10 * u);
    EXPECT_NEAR(balance.Gas(u), balance.Push(u), 1e-6 * balance.Push(u));
    EXPECT_NEAR(model.GetInletGasVelocity(), balance.gasVelocity, 1e-9 * balance.gasVelocity);
    EXPECT_NEAR(model.GetCalcCharacViscParameter(), balance.uc, 1e-12);
    EXPECT_NEAR(model.GetSolidsLoading(), 10.0, 1e-9);

    // Slug length from the solids hold-up: (L + Lf) mS / (A (1 - uc/u) rho_b u).
    const double area = 0.25 * kPi * line.D * line.D;
    const double slugLength =
        (line.L + line.Lf) * 1.0 / (area * (1.0 - balance.uc / u) * line.bulk * u);
    EXPECT_NEAR(model.GetTotSlugLength(), slugLength, 1e-8 * slugLength);
    const double slugDrop = slugLength * balance.Gas(u);
    EXPECT_NEAR(model.GetFrictionPressureDrop(), slugDrop * 50.0 / 55.0, 1e-8 * slugDrop);
    EXPECT_NEAR(model.GetCurvePressureDrop(), slugDrop * 5.0 / 55.0, 1e-8 * slugDrop);
    EXPECT_EQ(model.GetPressureDropLift(), CBrixelBaseUnit::m_dblRMiss);  // horizontal
    EXPECT_NEAR(model.GetTotCalcPressureDrop(), slugDrop, 1e-8 * slugDrop);

    // The outlet: the inlet's flows at the lower pressure; ideal gas and inert sand keep
    // their enthalpy at constant temperature.
    EXPECT_NEAR(Pressure(unit, outlet), 3e5 - model.GetTotCalcPressureDrop(), 1e-6);
    for (int s = 0; s < 2; ++s) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(Flow(outlet, s, c), Flow(inlet, s, c)) << s << " " << c;
        }
    }
    EXPECT_NEAR(model.GetCalculatedHeatDuty(), 0.0, 1e-6);
}

TEST_F(DenseLineTest, DefaultTolerancesEndNearTheBalance) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    const Line line;
    Apply(unit.GetConveying(), line);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const Balance balance = BalanceOf(unit, line);
    const double exact = balance.SlugVelocity();
    // The search stops once the gradients agree to 1e-4; u lies half an interval away.
    EXPECT_NEAR(unit.GetConveying().GetSlugVelocity(), exact, 1e-3 * exact);
    const double push = balance.Push(exact);
    EXPECT_NEAR(balance.Gas(unit.GetConveying().GetSlugVelocity()), push, 1e-2 * push);
}

TEST_F(DenseLineTest, RisingLineAddsLiftAndLineWithoutBendsHasNoBendDrop) {
    struct Case {
        double alpha, Lf;
    };
    for (const Case c : {Case{kPi / 6.0, 0.0}, Case{-kPi / 6.0, 5.0}}) {
        SCOPED_TRACE(c.alpha);
        cli::DenseConveyingUnit unit;
        Bind(unit, Inlet(0.1, 1.0));
        CDensePhaseConveying& model = unit.GetConveying();
        Line line;
        line.alpha = c.alpha;
        line.Lf = c.Lf;
        Apply(model, line);
        ASSERT_EQ(unit.Calculate(), kStatusOk);
        // h mu rho_G g with the gas density of the inlet.
        const double lift = 50.0 * std::sin(c.alpha) * 10.0 * NitrogenDensity(3e5) * kGravity;
        EXPECT_NEAR(model.GetPressureDropLift(), lift, 1e-6 * std::fabs(lift));
        const double friction = model.GetFrictionPressureDrop();
        if (c.Lf == 0.0) {
            EXPECT_EQ(model.GetCurvePressureDrop(), CBrixelBaseUnit::m_dblRMiss);
            // All of the slugs' pressure drop is friction.
            const double u = model.GetSlugVelocity();
            const Balance balance = BalanceOf(unit, line);
            EXPECT_NEAR(friction, model.GetTotSlugLength() * balance.Gas(u), 1e-8 * friction);
            EXPECT_NEAR(model.GetTotCalcPressureDrop(), friction + lift, 1e-6);
        } else {
            EXPECT_NEAR(model.GetTotCalcPressureDrop(),
                        friction + model.GetCurvePressureDrop() + lift, 1e-6);
        }
        EXPECT_NEAR(Pressure(unit, outlet), 3e5 - model.GetTotCalcPressureDrop(), 1e-6);
    }
}

TEST_F(DenseLineTest, VoidageGivesTheMissingBulkDensity) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    Configure(unit.GetConveying());
    unit.GetConveying().SetBulkDensity(CBrixelBaseUnit::m_dblRMiss);
    unit.GetConveying().SetVoidage(0.4);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_NEAR(unit.GetConveying().GetBulkDensity(), 0.6 * kQuartzDensity, 1e-9);
}

TEST_F(DenseLineTest, EvaporationAtTheLowerPressureIsTheHeatDuty) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0, 0.05));
    Configure(unit.GetConveying());
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const auto vapourWater = [&](int64_t bead) {
        CComSafeArray<double> flows;
        EXPECT_EQ(unit.GetSinglePhaseProp(bead, CComBSTR("flow"), CComBSTR("vapor"), flows,
                                          CComBSTR("mass"), 1),
                  kStatusOk);
        return flows.GetCount() == 3 ? flows[kWater] : kNaN;  // kg/s
    };
    const double evaporated = vapourWater(outlet) - vapourWater(inlet);
    ASSERT_GT(evaporated, 0.0);
    // Heat of vaporisation of water at 27 C from the steam tables: 2437 kJ/kg.
    const double duty = unit.GetConveying().GetCalculatedHeatDuty();
    EXPECT_NEAR(duty, evaporated * 2.437e6, 0.03 * duty);
}

TEST_F(DenseLineTest, PressureProfileIsAStraightLineOverTubeAndBends) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    CDensePhaseConveying& model = unit.GetConveying();
    Configure(model);
    EXPECT_EQ(model.GeneratePressureProfile(4), kStatusFail);  // nothing calculated yet
    unit.SetProfileIntervals(0);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(model.GetPressureProfile().GetCount(), 0u);

    ASSERT_EQ(model.GeneratePressureProfile(10), kStatusOk);
    const std::vector<double> x = Doubles(model.GetLenghtProfile());
    const std::vector<double> p = Doubles(model.GetPressureProfile());
    ASSERT_EQ(x.size(), 11u);
    ASSERT_EQ(p.size(), 11u);
    const double total = model.GetTotCalcPressureDrop();
    double steps = 0.0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        EXPECT_NEAR(x[k], 5.5 * static_cast<double>(k), 1e-12);
        EXPECT_NEAR(p[k], 3e5 - total * static_cast<double>(k) / 10.0, 1e-6);
        if (k > 0) {
            steps += p[k - 1] - p[k];
        }
    }
    EXPECT_NEAR(steps, total, 1e-6);
    EXPECT_NEAR(p.back(), Pressure(unit, outlet), 1e-6);

    // A copy keeps its own profile.
    const CDensePhaseConveying copy(model);
    EXPECT_EQ(model.GeneratePressureProfile(-1), kStatusInvalidArgument);
    EXPECT_EQ(model.GetLenghtProfile().GetCount(), 0u);
    EXPECT_EQ(Doubles(copy.GetPressureProfile()), p);
    EXPECT_EQ(model.GeneratePressureProfile(0), kStatusOk);
}

TEST_F(DenseLineTest, SearchIsWrittenToTheHistoryAtPrintLevelFive) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0), 5);
    const Line line;
    Apply(unit.GetConveying(), line);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const std::vector<std::string>& history = host.HistoryLines();
    ASSERT_GE(history.size(), 3u);
    EXPECT_EQ(history[0], "      START CALCULATION OF U_SLUG:");
    EXPECT_EQ(history[1], "      IT \t U_SLUG \t DP1\\DL \t DP2\\DL \t PRESS-DEV");
    // The first trial is the middle of [u_c, vG].
    const Balance balance = BalanceOf(unit, line);
    char first[32];
    std::snprintf(first, sizeof first, "      0 \t %f \t",
                  0.5 * (balance.uc + balance.gasVelocity));
    EXPECT_EQ(history[2].rfind(first, 0), 0u) << history[2];
    EXPECT_EQ(history.back().rfind("      " + std::to_string(history.size() - 3) + " \t", 0), 0u);
}

// ---- messages ----

struct MessageCase {
    const char* name;
    double nitrogen, sand, water;
    void (*change)(CDensePhaseConveying&);
    long status;
    std::vector<std::string> lines;
    bool warns = false;  // a warning is among the lines
};

TEST_F(DenseLineTest, WarningsAndErrorsAreExact) {
    const auto keep = [](CDensePhaseConveying&) {};
    const MessageCase cases[] = {
        {"no solids",
         0.1,
         0.0,
         0.0,
         keep,
         kStatusCapeUnknown,
         {"      INLET STREAM CONTAINS NO SOLIDS.", "      CALCULATION BYPASSED."}},
        {"no gas",
         0.0,
         1.0,
         0.5,
         keep,
         kStatusCapeUnknown,
         {"      LIQUID FRACTION (0.333333)  GREATER THAN 10 WT-% OF THE TOTAL FLOW",
          "      INLET VAPOR FLOW IS ZERO."},
         true},
        {"loading below 1",
         1.0,
         0.99,
         0.0,
         keep,
         kStatusOk,
         {"      SOLIDS LOADING (0.99 [KG/KG]) IS QUITE LOW.",
          "      PLEASE USE DILUTE PHASE CONVEYING MODEL."},
         true},
        {"loading of 1", 1.0, 1.0, 0.0, keep, kStatusOk, {}},
        // 0.1 kg/s of 3.3693 kg/m3 nitrogen through 18 mm: 116.63 m/s.
        {"fast gas",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) {
             m.SetTubeDiameter(0.018);
             m.SetTubeLength(1.0);
             m.SetFictiveLenght(0.0);
         },
         kStatusOk,
         {"      GAS VELOCITY IS QUITE HIGH AT INLET (V(FLUID)=116.63 [M/S]",
          "      PLEASE CHECK GEOMETRY AND INLET GAS AIR FLOW."},
         true},
        {"bulk above solid density",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) { m.SetBulkDensity(3000.0); },
         kStatusCapeUnknown,
         {"      DEFINED BULK DENSITY (3000.000000 [KG/M3]) IS GREATER THAN SOLIDS",
          "      DENSITY (2648.000000 [KG/M3]) AT THE INLET",
          "      SLUG VOIDAGE (-0.132931) MUST BE BETWEEN ZERO AND ONE. BULK DENSITY MUST",
          "      BE SMALLER THAN SOLIDS DENSITY."},
         true},
        // A voidage of 0 would divide by zero in the packed-bed law.
        {"bulk equal to solid density",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) { m.SetBulkDensity(2648.0); },
         kStatusCapeUnknown,
         {"      SLUG VOIDAGE (0.000000) MUST BE BETWEEN ZERO AND ONE. BULK DENSITY MUST",
          "      BE SMALLER THAN SOLIDS DENSITY."}},
        {"voidage of 1",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) {
             m.SetBulkDensity(CBrixelBaseUnit::m_dblRMiss);
             m.SetVoidage(1.0);
         },
         kStatusCapeUnknown,
         {"      SLUG VOIDAGE (1.000000) MUST BE BETWEEN ZERO AND ONE. BULK DENSITY MUST",
          "      BE SMALLER THAN SOLIDS DENSITY."}},
        {"characteristic above gas velocity",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) {
             m.SetUseUserDefCharacViscosityParameter(true);
             m.SetCharacViscosityParameter(5.0);
         },
         kStatusCapeUnknown,
         {"      GAS VELOCITY AT INLET (3.778933 [M/SEC]) IS SMALLER THAN CHARACTERISTIC",
          "      VISCOSITY PARAMETER (5.000000 [M/SEC])"}},
        {"iterations",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) { m.SetMaxIt(2); },
         kStatusCapeUnknown,
         {"      REACHED MAXIMUM NUMBER OF ITERATIONS."}},
        {"outlet pressure",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) { m.SetTubeLength(500.0); },
         kStatusCapeUnknown,
         {"      OUTLET PRESSURE BELOW 100.000000 PA. PLEASE INCREASE INLET PRESSURE"}},
        {"user diameter never given",
         0.1,
         1.0,
         0.0,
         [](CDensePhaseConveying& m) { m.SetUseUserDefParticleDiamMode(true); },
         kStatusFail,
         {"      READING INLET DATA FAILED. EITHER PSD MESH OR PARTICLE DIAMETER MUST BE",
          "      SPECIFIED."}},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCaptures();
        cli::DenseConveyingUnit unit;
        Bind(unit, Inlet(c.nitrogen, c.sand, c.water));
        Configure(unit.GetConveying());
        c.change(unit.GetConveying());
        EXPECT_EQ(unit.Calculate(), c.status);
        EXPECT_EQ(Printed(), c.lines);
        for (const auto& check : host.LevelChecks()) {
            EXPECT_EQ(check.tag, "DENSCONV");
        }
        EXPECT_EQ(Outcome(), c.warns ? -9990 : -9999);
        EXPECT_EQ(unit.HasCalculationErrors(), c.status != kStatusOk);
    }
}

// Near vG the gas loses too little through a slug to move it: without this error the search
// would drift to vG and report a line without pressure drop.
TEST_F(DenseLineTest, GasThatCannotMoveTheSlugsIsAnError) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    const Line line;
    Apply(unit.GetConveying(), line);
    unit.GetConveying().SetUseUserDefCharacViscosityParameter(true);
    unit.GetConveying().SetCharacViscosityParameter(3.7);
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    Balance balance = BalanceOf(unit, line);
    balance.uc = 3.7;
    ASSERT_LT(balance.Gas(3.7), balance.Push(3.7));
    char text[256];
    std::snprintf(text, sizeof text,
                  "GAS FLOW CANNOT MOVE THE SLUGS: PRESSURE GRADIENT OF THE GAS (%f [PA/M]) IS NOT "
                  "GREATER THAN THE GRADIENT NEEDED TO PUSH A SLUG (%f [PA/M]).",
                  balance.Gas(3.7), balance.Push(3.7));
    std::string printed;
    for (const std::string& printedLine : Printed()) {
        printed += (printed.empty() ? "" : " ") + printedLine.substr(6);
    }
    EXPECT_EQ(printed, text);
    EXPECT_EQ(host.LevelChecks().back().code, 22);
    EXPECT_EQ(unit.GetConveying().GetTotCalcPressureDrop(), CBrixelBaseUnit::m_dblRMiss);
}

TEST_F(DenseLineTest, DefaultCharacteristicParameterIsMissingAndStopsTheCalculation) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    Configure(unit.GetConveying());
    unit.GetConveying().SetUseUserDefCharacViscosityParameter(true);
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    ASSERT_FALSE(host.LevelChecks().empty());
    EXPECT_EQ(host.LevelChecks()[0].code, 10);
    EXPECT_EQ(unit.GetConveying().GetSlugVelocity(), CBrixelBaseUnit::m_dblRMiss);
}

TEST_F(DenseLineTest, StreamWithoutPsdMeshNeedsAUserDiameter) {
    const int64_t noMesh = host.AddStreamClass("MIXCI", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}});
    plex::SetupFromHost();
    const int64_t feed = host.AddStream(noMesh);
    host::SubstreamState fluid;
    fluid.flows = {0.1 / kNitrogenWeight, 0.0, 0.0};
    fluid.temperature = 300.0;
    fluid.pressure = 3e5;
    host.SetSubstream(feed, 0, fluid);
    host::SubstreamState solid = fluid;
    solid.flows = {0.0, 0.0, 1.0 / kSilicaWeight};
    host.SetSubstream(feed, 1, solid);

    for (const bool userDiameter : {false, true}) {
        SCOPED_TRACE(userDiameter);
        host.ClearCaptures();
        cli::DenseConveyingUnit unit;
        inlet = feed;
        outlet = host.AddStream(noMesh);
        block = &host.AddBlock("LINE", {inlet}, {outlet});
        cli::BindUnit(unit, *block);
        ASSERT_EQ(unit.Initialize(), kStatusOk);
        Configure(unit.GetConveying());
        if (userDiameter) {
            unit.GetConveying().SetUseUserDefParticleDiamMode(true);
            unit.GetConveying().SetUserDefParticleDiameter(Sauter());
            EXPECT_EQ(unit.Calculate(), kStatusOk);
            EXPECT_TRUE(host.PrintedLines().empty());
        } else {
            EXPECT_LT(unit.Calculate(), 0);
            EXPECT_EQ(Printed(),
                      (std::vector<std::string>{
                          "      READING INLET DATA FAILED. EITHER PSD MESH OR PARTICLE DIAMETER "
                          "MUST BE",
                          "      SPECIFIED."}));
        }
    }
}

TEST_F(DenseLineTest, RefusedOutletFlashIsAnEquilibriumError) {
    cli::DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    Configure(unit.GetConveying());
    // The feed at equilibrium, so that the frame does not flash it.
    ASSERT_TRUE(unit.FlashStream(static_cast<int>(inlet), kFlashTP, 300.0, 3e5,
                                 CBrixelBaseUnit::m_dblRMiss, true));
    host.SetRefuseFlash(true);
    EXPECT_LT(unit.Calculate(), 0);
    EXPECT_EQ(Printed(), std::vector<std::string>{
                             "      CALCULATION OF PHASE EQUILIBRIUM FAILED (PORT: 'DISCHARGE')"});
    EXPECT_EQ(host.LevelChecks().back().code, 18);
}

}  // namespace
}  // namespace brixel::testing
