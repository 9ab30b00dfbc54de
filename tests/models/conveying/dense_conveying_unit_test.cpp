// The command's dense-phase conveying unit: ports, validation, the calculation frame with the
// pressure profile, the fallback exit, and the inlet handed back untouched whatever the input.
#include "cli/dense_conveying_unit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "models/conveying/dense_fixture.h"
#include "support/array_helpers.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

using cli::DenseConveyingUnit;

class DenseUnitTest : public DenseConveyingTest {
  protected:
    // Validate and, when valid, Calculate; a failure takes the fallback exit as the host does.
    long Run(DenseConveyingUnit& unit) {
        BSTR message = nullptr;
        VARIANT_BOOL valid = VARIANT_FALSE;
        EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
        SysFreeString(message);
        const long status = valid == VARIANT_TRUE ? unit.Calculate() : kStatusCapeUnknown;
        if (status < 0) {
            unit.SetErrorExit();
        }
        return status;
    }
    double Pressure(DenseConveyingUnit& unit, int64_t bead) {
        double value = std::numeric_limits<double>::quiet_NaN();
        EXPECT_EQ(unit.GetPressure(static_cast<int>(bead), &value), kStatusOk);
        return value;
    }
    void ExpectOutletFlowsOfTheInlet() {
        for (int s = 0; s < 2; ++s) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(Flow(outlet, s, c), Flow(inlet, s, c)) << s << " " << c;
            }
        }
    }
};

TEST_F(DenseUnitTest, InitializeNamesInletAndOutletOnce) {
    DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    ASSERT_EQ(unit.Initialize(), kStatusOk);
    const CStringArray& names = unit.GetPortNames();
    ASSERT_EQ(names.GetSize(), 2);
    EXPECT_EQ(names[0], "INLET");
    EXPECT_EQ(names[1], "OUTLET");
    EXPECT_EQ(unit.GetBeadNumberFromName("OUTLET"), outlet);
    EXPECT_STREQ(unit.GetModelName(), "DENSCONV");
}

TEST_F(DenseUnitTest, ValidateReportsTheModelsChecks) {
    DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 1.0));
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_TRUE;
    ASSERT_EQ(unit.Validate(&message, &valid), kStatusOk);
    SysFreeString(message);
    EXPECT_EQ(valid, VARIANT_FALSE);
    EXPECT_EQ(unit.GetValidationStatus(), 1);

    Configure(unit.GetConveying());
    message = nullptr;
    ASSERT_EQ(unit.Validate(&message, &valid), kStatusOk);
    SysFreeString(message);
    EXPECT_EQ(valid, VARIANT_TRUE);
    EXPECT_EQ(unit.GetValidationStatus(), 2);
    // Calculate validates again and stops on pending errors.
    unit.GetConveying().SetTubeDiameter(-1.0);
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
}

TEST_F(DenseUnitTest, CalculationMakesTheProfileAndHandsTheInletBack) {
    const int64_t feed = Inlet(0.1, 1.0);
    const std::vector<double> before = Vector(feed);
    {
        DenseConveyingUnit unit;
        Bind(unit, feed);
        Configure(unit.GetConveying());
        unit.SetProfileIntervals(5);
        ASSERT_EQ(Run(unit), kStatusOk);
        const CDensePhaseConveying& line = unit.GetConveying();
        const std::vector<double> pressures = Doubles(line.GetPressureProfile());
        ASSERT_EQ(pressures.size(), 6u);
        EXPECT_NEAR(pressures.front(), 3e5, 1e-6);
        EXPECT_NEAR(pressures.back(), Pressure(unit, outlet), 1e-6);
        EXPECT_NEAR(pressures.front() - pressures.back(), line.GetTotCalcPressureDrop(), 1e-6);
        ExpectOutletFlowsOfTheInlet();
        EXPECT_EQ(Outcome(), -9999);
    }
    // The frame flashed the inlet; the unit's end restores it as the host gave it.
    EXPECT_TRUE(BitwiseEqual(Vector(feed), before));
}

TEST_F(DenseUnitTest, FallbackExitKeepsTheFlowsAtTheThresholdPressure) {
    for (const double threshold : {100.0, 5e4}) {
        SCOPED_TRACE(threshold);
        host.ClearCaptures();
        DenseConveyingUnit unit;
        Bind(unit, Inlet(0.1, 1.0));
        Configure(unit.GetConveying());
        unit.GetConveying().SetTubeLength(500.0);  // more pressure drop than the inlet has
        unit.GetConveying().SetLowPressureThreshold(threshold);
        EXPECT_EQ(Run(unit), kStatusCapeUnknown);
        EXPECT_EQ(Outcome(), -9991);
        EXPECT_EQ(host.HistoryLines().back(),
                  "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!");
        ExpectOutletFlowsOfTheInlet();
        EXPECT_EQ(Pressure(unit, outlet), threshold);
        EXPECT_EQ(unit.GetConveying().GetPressureProfile().GetCount(), 0u);
    }
}

TEST_F(DenseUnitTest, InletWithoutSolidsGoesStraightToTheFallbackOutlet) {
    DenseConveyingUnit unit;
    Bind(unit, Inlet(0.1, 0.0));
    Configure(unit.GetConveying());
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    // The model applied the fallback itself, before the host's exit.
    ExpectOutletFlowsOfTheInlet();
    EXPECT_EQ(Pressure(unit, outlet), 100.0);
}

// Bad geometry, material data and feeds: a clear failure, nothing NaN in the outlet, and the
// inlet as it came.
TEST_F(DenseUnitTest, BadInputFailsAndLeavesTheInletUntouched) {
    static constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    struct Case {
        const char* name;
        double nitrogen, sand, water;
        void (*change)(CDensePhaseConveying&);
        bool invalid;  // refused by validation
    };
    const Case cases[] = {
        {"zero diameter", 0.1, 1.0, 0.0, [](CDensePhaseConveying& m) { m.SetTubeDiameter(0.0); },
         true},
        {"NaN length", 0.1, 1.0, 0.0, [](CDensePhaseConveying& m) { m.SetTubeLength(nan); }, true},
        {"negative bends", 0.1, 1.0, 0.0, [](CDensePhaseConveying& m) { m.SetFictiveLenght(-2.0); },
         true},
        {"missing bulk density", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) { m.SetBulkDensity(CBrixelBaseUnit::m_dblRMiss); }, true},
        {"negative wall friction", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) { m.SetParticelWallFriction(-0.4); }, true},
        {"NaN stress coefficient", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) { m.SetStressTransCoef(nan); }, true},
        {"NaN voidage, bulk missing", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) {
             m.SetBulkDensity(CBrixelBaseUnit::m_dblRMiss);
             m.SetVoidage(nan);
         },
         true},
        {"negative voidage", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) {
             m.SetBulkDensity(CBrixelBaseUnit::m_dblRMiss);
             m.SetVoidage(-0.2);
         },
         false},
        {"bulk density at solid density", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) { m.SetBulkDensity(kQuartzDensity); }, false},
        {"no gas", 0.0, 1.0, 0.5, [](CDensePhaseConveying&) {}, false},
        {"no solids", 0.1, 0.0, 0.0, [](CDensePhaseConveying&) {}, false},
        {"nothing at all", 0.0, 0.0, 0.0, [](CDensePhaseConveying&) {}, false},
        {"default characteristic parameter", 0.1, 1.0, 0.0,
         [](CDensePhaseConveying& m) { m.SetUseUserDefCharacViscosityParameter(true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCaptures();
        const int64_t feed = Inlet(c.nitrogen, c.sand, c.water);
        const std::vector<double> before = Vector(feed);
        {
            DenseConveyingUnit unit;
            Bind(unit, feed);
            Configure(unit.GetConveying());
            c.change(unit.GetConveying());
            EXPECT_LT(Run(unit), 0);
            EXPECT_EQ(unit.HasValidationErrors(), c.invalid);
            EXPECT_EQ(Outcome(), c.invalid ? -9992 : -9991);
            EXPECT_FALSE(host.PrintedLines().empty());
            for (const double value : Vector(outlet)) {
                EXPECT_FALSE(std::isnan(value));
            }
            EXPECT_EQ(unit.GetConveying().GetTotCalcPressureDrop(), missing);
        }
        EXPECT_TRUE(BitwiseEqual(Vector(feed), before));
    }
}

}  // namespace
}  // namespace brixel::testing
