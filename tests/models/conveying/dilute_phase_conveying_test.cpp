// The dilute-phase conveying model: validation codes and texts, the calculation's errors and
// warnings, the outlet, the fallback exit, property reads and copies.
#include "brixel/models/conveying/dilute_phase_conveying.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "brixel/framework/flash_kode.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"
#include "models/conveying/dilute_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

using Profile = CDilutePhaseConveying::Profile;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

class DiluteConveyingTest : public DiluteTest {
  protected:
    // The printed lines as one text: wrapped lines joined by a blank, the 6 leading blanks
    // of each line removed.
    std::string PrintedText() const {
        std::string text;
        for (const std::string& line : Printed()) {
            text += (text.empty() ? "" : " ") + line.substr(std::min<std::size_t>(6, line.size()));
        }
        return text;
    }
    std::set<int64_t> CheckedCodes() const {
        std::set<int64_t> codes;
        for (const host::LevelCheckCall& call : host.LevelChecks()) {
            codes.insert(call.code);
        }
        return codes;
    }
    int64_t Outcome() const { return block->statusBlock[records::kStatusOutcome]; }

    // Component flows (kmol/s) of every substream: 3 components in each.
    std::vector<double> Flows(int64_t bead) {
        std::vector<double> flows;
        for (int k = 0; k < 2; ++k) {
            const double* vector = host.StreamVector(bead) + host.SubstreamOffset(bead, k);
            flows.insert(flows.end(), vector, vector + 3);
        }
        return flows;
    }
};

TEST_F(DiluteConveyingTest, PortsAreInletAndOutlet) {
    ConveyingUnit unit;
    CStringArray names;
    names.Add("FEED");
    ASSERT_EQ(unit.line.InitializePorts(&names), kStatusOk);
    ASSERT_EQ(names.GetSize(), 2);
    EXPECT_EQ(names[0], CString("INLET"));
    EXPECT_EQ(names[1], CString("OUTLET"));
    EXPECT_EQ(unit.line.InitializePorts(nullptr), kStatusNullPointer);
}

TEST_F(DiluteConveyingTest, DefaultsLackOnlyTheGeometry) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.3));
    unit.line = CDilutePhaseConveying(&unit);
    unit.line.ValidateData();
    EXPECT_TRUE(unit.HasValidationErrors());
    // The tube length has a check of its own here: without it the march runs until the
    // pressure gives out.
    EXPECT_EQ(CheckedCodes(), (std::set<int64_t>{51, 53, 55}));
    EXPECT_EQ(PrintedText(),
              "TUBE DIAMETER NOT DEFINED. LENGHT OF THE TUBE NOT DEFINED. PIPE RISE ANGLE NOT "
              "DEFINED.");
    for (const host::LevelCheckCall& call : host.LevelChecks()) {
        EXPECT_EQ(call.tag, "DILCONV");
        EXPECT_EQ(call.level, 2);
    }
}

TEST_F(DiluteConveyingTest, EveryCheckRaisesItsCodeAndText) {
    struct Case {
        const char* name;
        std::function<void(CDilutePhaseConveying&)> set;
        int code;  // 0: accepted
        const char* text;
    };
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    const Case cases[] = {
        {"negative diameter", [](auto& l) { l.SetTubeDiameter(-0.1); }, 50,
         "Tube diameter must be greater than zero."},
        {"zero diameter", [](auto& l) { l.SetTubeDiameter(0.0); }, 50,
         "Tube diameter must be greater than zero."},
        {"NaN diameter", [](auto& l) { l.SetTubeDiameter(kNaN); }, 51,
         "Tube diameter not defined."},
        {"zero length", [](auto& l) { l.SetTubeLength(0.0); }, 52,
         "Lenght of the tube must be greater than zero."},
        {"NaN length", [](auto& l) { l.SetTubeLength(kNaN); }, 53,
         "Lenght of the tube not defined."},
        {"missing angle", [&](auto& l) { l.SetRiseAngle(missing); }, 55,
         "Pipe rise angle not defined."},
        {"negative elbows", [](auto& l) { l.SetNumberOfCurves(-1); }, 56,
         "Number of elbows must be greater than or equal to zero."},
        {"negative zeta",
         [](auto& l) {
             l.SetNumberOfCurves(2);
             l.SetPressureDropCoefCurves(-0.1);
         },
         57, "Pressure drop coefficient must be greater than or equal to zero."},
        {"missing zeta", [](auto& l) { l.SetNumberOfCurves(2); }, 58,
         "Pressure drop coefficient not defined."},
        {"zero zeta",
         [](auto& l) {
             l.SetNumberOfCurves(2);
             l.SetPressureDropCoefCurves(0.0);
         },
         0, ""},
        {"missing fluid friction",
         [&](auto& l) {
             l.SetFluidPressureDropModel("estimation");
             l.SetFluidFrictionParameter(missing);
         },
         60, "Fluid friction parameter not defined."},
        {"negative fluid friction",
         [](auto& l) {
             l.SetFluidPressureDropModel("estimation");
             l.SetFluidFrictionParameter(-0.01);
         },
         61, "Fluid friction parameter must be greater than or equal to zero."},
        {"fluid friction not used", [](auto& l) { l.SetFluidFrictionParameter(-0.01); }, 0, ""},
        {"missing velocity ratio", [&](auto& l) { l.SetVelocityRatio(missing); }, 62,
         "Solid/fluid velocity ratio not defined."},
        {"zero velocity ratio", [](auto& l) { l.SetVelocityRatio(0.0); }, 63,
         "Solid/fluid velocity ratio must be greater than zero."},
        {"negative user lambdaS",
         [](auto& l) {
             l.SetMuschelknautzSolidsFrictionModel("estimation");
             l.SetUserLambdaS_Muschelknautz(-1e-3);
         },
         64, "Solid friction parameter must be greater than zero."},
        {"zero user lambdaS",
         [](auto& l) {
             l.SetMuschelknautzSolidsFrictionModel("estimation");
             l.SetUserLambdaS_Muschelknautz(0.0);
         },
         0, ""},
        {"negative lambdaS*", [](auto& l) { l.SetMuschelknautzLambda_S_Star(-0.1); }, 65,
         "Solid-wall impact friction parameter must be greater than zero."},
        {"lambdaS* above one", [](auto& l) { l.SetMuschelknautzLambda_S_Star(1.1); }, 66,
         "Solid-wall impact friction parameter must be smaller than one"},
        {"lambdaS* not used",
         [](auto& l) {
             l.SetMuschelknautzSolidsFrictionModel("estimation");
             l.SetMuschelknautzLambda_S_Star(5.0);
         },
         0, ""},
        {"negative beta",
         [](auto& l) {
             l.SetWallFrictionModel("estimation");
             l.SetUserDefinedWallFrictionParameter(-0.5);
         },
         67, "Solid-wall sliding friction parameter (beta) must be greater than zero."},
        {"beta not used", [](auto& l) { l.SetUserDefinedWallFrictionParameter(-0.5); }, 0, ""},
        {"negative fr",
         [](auto& l) {
             l.SetWallFrictionModel("Muschelknautz");
             l.SetFrictionParameterSolidClusterAndTubeWall(-0.4);
         },
         68, "Friction parameter (fr) must be greater than zero."},
        {"negative bottom fraction",
         [](auto& l) {
             l.SetWallFrictionModel("Muschelknautz");
             l.SetSolidFractionOnTubeBottom(-0.2);
         },
         69, "Defined value for the solid fraction on tube bottom must be greater than zero."},
        {"zero fr",
         [](auto& l) {
             l.SetWallFrictionModel("Muschelknautz");
             l.SetFrictionParameterSolidClusterAndTubeWall(0.0);
             l.SetSolidFractionOnTubeBottom(0.0);
         },
         0, ""},
        {"negative Siegel lambdaS",
         [](auto& l) {
             l.SetSolidsPressureDropModel("Siegel");
             l.SetLambdaSSiegel(-0.08);
         },
         70, "Siegel solid friction parameter must be greater than zero."},
        {"Siegel lambdaS not used", [](auto& l) { l.SetLambdaSSiegel(-0.08); }, 0, ""},
        {"Siegel skips the Muschelknautz parameters",
         [](auto& l) {
             l.SetSolidsPressureDropModel("Siegel");
             l.SetMuschelknautzLambda_S_Star(-1.0);
         },
         0, ""},
        {"voidage of one",
         [](auto& l) {
             l.SetPluggingLimitModel("Wirth (coarse)");
             l.SetBulkPorosity(1.0);
         },
         71, "Voidage must be between zero and one."},
        {"missing voidage", [](auto& l) { l.SetPluggingLimitModel("Wirth (coarse)"); }, 71,
         "Voidage must be between zero and one."},
        {"voidage for another model", [](auto& l) { l.SetBulkPorosity(0.0); }, 0, ""},
        {"zero user diameter",
         [](auto& l) {
             l.SetUseUserDefParticleDiamMode(true);
             l.SetUserDefParticleDiameter(0.0);
         },
         82, "User specified particle diameter must be greater than zero."},
        {"zero iterations", [](auto& l) { l.SetMaxIt(0); }, 90,
         "Max. number of iterations must be greater than zero."},
        {"negative threshold", [](auto& l) { l.SetLowPressureThreshold(-1.0); }, 91,
         "Min. outlet pressure must be greater than zero."},
        {"zero threshold", [](auto& l) { l.SetLowPressureThreshold(0.0); }, 0, ""},
        {"negative relative difference", [](auto& l) { l.SetMaxRelPressureDifference(-0.05); }, 92,
         "Max. allowed relative pressure difference must be greater than zero."},
        {"zero adjustment factor", [](auto& l) { l.SetLenghtAdjustemtFactor(0.0); }, 93,
         "Factor for adjustment of calculation length must be greater than zero."},
        {"NaN adjustment factor", [](auto& l) { l.SetLenghtAdjustemtFactor(kNaN); }, 93,
         "Factor for adjustment of calculation length must be greater than zero."},
        {"zero segment length", [](auto& l) { l.SetMaxSegmentLength(0.0); }, 94,
         "MAx. segment lenght must be greater than zero."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCaptures();
        ConveyingUnit unit;
        Bind(unit, Feed(0.3, 0.3));
        c.set(unit.line);
        unit.line.ValidateData();
        EXPECT_EQ(unit.HasValidationErrors(), c.code != 0);
        if (c.code != 0) {
            EXPECT_EQ(CheckedCodes(), std::set<int64_t>{c.code});
            EXPECT_EQ(PrintedText(), Upper(c.text));
        } else {
            EXPECT_TRUE(Printed().empty());
        }
    }
}

TEST_F(DiluteConveyingTest, WithoutASolidsModelTheCalculationEndsWithError8) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.3));
    unit.line.SetSolidsPressureDropModel("");
    unit.line.ValidateData();
    EXPECT_FALSE(unit.HasValidationErrors());
    for (const char* model : {"", "muschelknautz"}) {
        host.ClearCaptures();
        unit.line.SetSolidsPressureDropModel(model);
        EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown) << model;
        EXPECT_EQ(Printed(), std::vector<std::string>{
                                 "      NO MODEL FOR CALCULATION OF PRESSURE DROP SELECTED."});
    }
}

// An unknown plugging model fails the march at its first point without a text of its own.
TEST_F(DiluteConveyingTest, UnknownPluggingModelFailsThePressureDrop) {
    for (const char* model : {"Muschelknautz", "Siegel"}) {
        SCOPED_TRACE(model);
        host.ClearCaptures();
        ConveyingUnit unit;
        Bind(unit, Feed(0.3, 0.3));
        unit.line.SetSolidsPressureDropModel(model);
        unit.line.SetPluggingLimitModel("Thomas");
        EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
        EXPECT_EQ(Printed(),
                  std::vector<std::string>{"      CALCULATION OF PRESSURE DROP FAILED."});
        EXPECT_EQ(CheckedCodes(), (std::set<int64_t>{std::string(model) == "Siegel" ? 7 : 6}));
        EXPECT_TRUE(unit.line.GetWorkingProfile(Profile::kLength).empty());
    }
}

// Water condensing from nitrogen at 300 K and 1 bar; the water flow is searched so that the
// flashed inlet carries the liquid mass fraction wanted.
TEST_F(DiluteConveyingTest, LiquidAboveOneHundredThousandthIsRefused) {
    for (double wanted : {2e-5, 0.9e-5}) {
        SCOPED_TRACE(wanted);
        const auto liquidShare = [&](double water, bool calculate) {
            host.ClearCaptures();
            ConveyingUnit unit;
            Bind(unit, Feed(0.3, 0.3, 1e5, 300.0, water));
            EXPECT_TRUE(unit.FlashStream(static_cast<int>(inlet), kFlashTP, 300.0, 1e5,
                                         CBrixelBaseUnit::m_dblRMiss, true));
            double share = 0.0;
            EXPECT_EQ(unit.GetSinglePhaseProp(inlet, kPropertyPhaseFraction, kPhaseLiquid, &share,
                                              kBasisMass),
                      kStatusOk);
            const long status = calculate ? unit.Calculate() : kStatusOk;
            return std::make_pair(share, status);
        };
        // Saturation takes about 0.035 kmol water per kmol gas: 3.7e-4 kmol/s.
        double low = 0.0;
        double high = 1e-3;
        for (int i = 0; i < 60; ++i) {
            const double middle = (low + high) / 2.0;
            (liquidShare(middle, false).first > wanted ? high : low) = middle;
        }
        const auto [share, status] = liquidShare(high, true);
        ASSERT_NEAR(share, wanted, wanted * 1e-3);
        if (wanted > 1e-5) {
            EXPECT_EQ(status, kStatusCapeUnknown);
            EXPECT_EQ(PrintedText(), Upper("Liquid exists in inlet stream. Solids conveying only "
                                           "allows gaseous fluids."));
        } else {
            EXPECT_EQ(status, kStatusOk);
        }
    }
}

TEST_F(DiluteConveyingTest, AnInletWithoutGasIsBypassed) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.0, 0.3));
    const std::vector<double> before = Vector(inlet);
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    EXPECT_EQ(Printed(),
              std::vector<std::string>{"      VAPOR MASS FLOW IS ZERO. BLOCK BYPASSED."});
    EXPECT_TRUE(BitwiseEqual(Vector(inlet), before));
}

TEST_F(DiluteConveyingTest, LoadingAboveFiftyIsWorthAWarning) {
    const std::string warning =
        "SOLIDS LOADING (50.01 [KG/KG]) IS QUITE HIGH. PLEASE USE DENSE PHASE CONVEYING MODEL.";
    for (double solids : {0.5, 0.5001}) {
        SCOPED_TRACE(solids);
        host.ClearCaptures();
        ConveyingUnit unit;
        Bind(unit, Feed(0.01, solids));
        unit.line.SetTubeLength(1.0);
        unit.line.SetPluggingLimitModel("Segler");
        ASSERT_EQ(unit.Calculate(), kStatusOk);
        const double loading = unit.line.GetCalculatedSolidsLoading();
        EXPECT_NEAR(loading, solids / 0.01, 1e-9);
        const bool warned = PrintedText().find(warning) != std::string::npos;
        EXPECT_EQ(warned, loading > 50.0);
        EXPECT_EQ(warned, solids > 0.5);
    }
}

// 1 kg/s of solids in 0.1 kg/s of nitrogen at 1 bar: 11.3 m/s against Segler's 19.8 m/s.
TEST_F(DiluteConveyingTest, GasSlowerThanThePluggingVelocityWarnsOnce) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.1, 1.0));
    unit.line.SetPluggingLimitModel("Segler");
    unit.line.SetConsiderInitialAccelerationMode(false);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const double velocity = 0.1 / (NitrogenDensity(1e5) * Area());
    char first[200];
    std::snprintf(first, sizeof first,
                  "FLUID VELOCITY IS BELOW SALTATION VELOCITY AT 0.00 [M]! (V(FLUID)=%.2f [M/S], "
                  "V(MIN.)=19.80 [M/S]). PLUGGING OF THE CONVEYING LINE MAY OCCUR.",
                  velocity);
    EXPECT_EQ(PrintedText(), first);
    EXPECT_NEAR(unit.line.GetMinDifferenceVgasToVsaltation(), velocity - 19.8, 1e-9);
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
}

TEST_F(DiluteConveyingTest, OutletKeepsTheFlowsAndTakesTheNewPressure) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.6, 2e5));
    unit.line.SetNumberOfCurves(2);
    unit.line.SetPressureDropCoefCurves(0.3);
    // The feed at equilibrium, as the host hands it over.
    ASSERT_TRUE(unit.FlashStream(static_cast<int>(inlet), kFlashTP, 300.0, 2e5,
                                 CBrixelBaseUnit::m_dblRMiss, true));
    const std::vector<double> before = Vector(inlet);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_TRUE(Printed().empty());
    EXPECT_TRUE(BitwiseEqual(Vector(inlet), before));
    EXPECT_TRUE(BitwiseEqual(Flows(outlet), Flows(inlet)));
    EXPECT_TRUE(unit.GetInternalStreams().empty());  // the march's stream is released
    const double drop = unit.line.GetCalculatedPressureDrop();
    EXPECT_GT(drop, 0.0);
    EXPECT_EQ(Pressure(unit, outlet), 2e5 - drop);
    double temperature = 0.0;
    ASSERT_EQ(unit.GetTemperature(static_cast<int>(outlet), &temperature), kStatusOk);
    EXPECT_NEAR(temperature, 300.0, 1e-6);
    // Ideal gas and inert solids: the enthalpy does not depend on the pressure.
    EXPECT_NEAR(unit.line.GetCalculatedHeatDuty(), 0.0, 1e-3);
    EXPECT_NEAR(unit.line.GetCalculatedSolidsLoading(), 2.0, 1e-12);
}

TEST_F(DiluteConveyingTest, FallbackOutletIsTheInletAtTheThreshold) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.3));
    unit.line.SetLowPressureThreshold(99000.0);
    const std::vector<double> before = Vector(inlet);
    ASSERT_EQ(unit.Calculate(), kStatusCapeUnknown);
    unit.SetErrorExit();
    EXPECT_EQ(Outcome(), records::kOutcomeFallback);
    EXPECT_EQ(host.HistoryLines().back(),
              "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!");
    EXPECT_TRUE(BitwiseEqual(Vector(inlet), before));
    EXPECT_TRUE(BitwiseEqual(Flows(outlet), Flows(inlet)));
    EXPECT_EQ(Pressure(unit, outlet), 99000.0);

    // A threshold of zero leaves the inlet's pressure.
    unit.line.SetLowPressureThreshold(0.0);
    unit.line.SetOutletStreams();
    EXPECT_EQ(Pressure(unit, outlet), 1e5);
}

TEST_F(DiluteConveyingTest, PropertyReadsGiveTheirDataOrTheirText) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.6));
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    CDilutePhaseConveying& line = unit.line;
    const int bead = static_cast<int>(inlet);
    double density = 0.0;
    double diameter = 0.0;
    double flow = 0.0;
    CString message;
    ASSERT_EQ(line.GetSolidData(bead, &density, &diameter, &message, &flow), kStatusOk);
    EXPECT_NEAR(flow, 0.6, 1e-12);
    EXPECT_GT(density, 2000.0);
    EXPECT_GT(diameter, 0.0);  // the Sauter diameter lies inside the PSD's range
    EXPECT_LT(diameter, 2e-4);
    line.SetUseUserDefParticleDiamMode(true);
    line.SetUserDefParticleDiameter(3e-5);
    ASSERT_EQ(line.GetSolidData(bead, &density, &diameter, &message), kStatusOk);
    EXPECT_EQ(diameter, 3e-5);

    double viscosity = 0.0;
    ASSERT_EQ(line.GetVaporData(bead, &density, &viscosity, &message, &flow), kStatusOk);
    EXPECT_NEAR(density, NitrogenDensity(1e5), 1e-12);
    EXPECT_NEAR(flow, 0.3, 1e-12);
    EXPECT_GT(viscosity, 1e-5);  // nitrogen at 300 K: 1.8e-5 Pa s
    EXPECT_LT(viscosity, 2.5e-5);
    EXPECT_TRUE(message.IsEmpty());

    EXPECT_EQ(line.GetSolidData(0, &density, &diameter, &message), kStatusCapeUnknown);
    EXPECT_EQ(line.GetSolidData(bead, nullptr, &diameter, &message), kStatusCapeUnknown);
    EXPECT_EQ(line.GetVaporData(0, &density, &viscosity, &message), kStatusCapeUnknown);
    EXPECT_EQ(line.GetVaporData(bead, &density, nullptr, &message), kStatusCapeUnknown);
    EXPECT_EQ(line.GetVaporData(12345, &density, &viscosity, &message), kStatusCapeUnknown);
    EXPECT_EQ(message, CString("Determination of vapor density failed."));
    EXPECT_EQ(line.GetSolidData(12345, &density, &diameter, &message), kStatusCapeUnknown);
    EXPECT_EQ(message, CString("Determination solid mass flow failed."));

    // Without solids: -1 and success.
    ConveyingUnit gasOnly;
    Bind(gasOnly, Feed(0.3, 0.0));
    ASSERT_EQ(
        gasOnly.line.GetSolidData(static_cast<int>(inlet), &density, &diameter, &message, &flow),
        kStatusOk);
    EXPECT_EQ(density, -1.0);
    EXPECT_EQ(diameter, -1.0);
    EXPECT_EQ(flow, 0.0);
}

TEST_F(DiluteConveyingTest, CopiesOwnTheirProfiles) {
    ConveyingUnit unit;
    Bind(unit, Feed(0.3, 0.3));
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    CDilutePhaseConveying copy(unit.line);
    ASSERT_EQ(copy.GenerateProfiles(4), kStatusOk);
    EXPECT_EQ(copy.GetLenghtProfile().GetCount(), 5u);
    EXPECT_EQ(unit.line.GetLenghtProfile().GetCount(), 0u);
    EXPECT_EQ(copy.GetWorkingProfile(Profile::kPressure),
              unit.line.GetWorkingProfile(Profile::kPressure));
    EXPECT_EQ(copy.GetCalculatedPressureDrop(), unit.line.GetCalculatedPressureDrop());

    CDilutePhaseConveying assigned(&unit);
    assigned = copy;
    copy.GenerateProfiles(0);
    EXPECT_EQ(assigned.GetPressureProfile().GetCount(), 5u);
    EXPECT_EQ(copy.GetPressureProfile().GetCount(), 0u);
}

}  // namespace
}  // namespace brixel::testing
