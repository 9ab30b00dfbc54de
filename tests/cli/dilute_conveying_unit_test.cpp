// The command's conveying unit: ports, validation, the calculated line with its profiles and
// the fallback exit.
#include "cli/dilute_conveying_unit.h"

#include <gtest/gtest.h>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "models/conveying/dilute_fixture.h"

namespace brixel::cli {
namespace {

class DiluteConveyingUnitTest : public testing::DiluteTest {
  protected:
    bool Valid(DiluteConveyingUnit& unit) {
        BSTR message = nullptr;
        VARIANT_BOOL valid = VARIANT_FALSE;
        EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
        SysFreeString(message);
        return valid == VARIANT_TRUE;
    }
};

TEST_F(DiluteConveyingUnitTest, CalculatedLineComesWithItsProfiles) {
    DiluteConveyingUnit unit;
    BindBlock(unit, Feed(0.3, 0.3, 2e5));
    ASSERT_EQ(unit.Initialize(), kStatusOk);
    ASSERT_EQ(unit.GetPortNames().GetSize(), 2);
    EXPECT_EQ(unit.GetPortNames()[0], CString("INLET"));
    EXPECT_EQ(unit.GetPortNames()[1], CString("OUTLET"));
    EXPECT_FALSE(Valid(unit));  // no geometry yet
    EXPECT_EQ(unit.GetValidationStatus(), 1);

    Configure(unit.GetLine());
    unit.SetProfileIntervals(10);
    ASSERT_TRUE(Valid(unit));
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const CDilutePhaseConveying& line = unit.GetLine();
    EXPECT_EQ(line.GetLenghtProfile().GetCount(), 11u);
    EXPECT_EQ(line.GetPressureProfile().GetCount(), 11u);
    EXPECT_EQ(line.GetPressureProfile()[0], 2e5);
    EXPECT_EQ(Pressure(unit, outlet), 2e5 - line.GetCalculatedPressureDrop());
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomePreset);
}

TEST_F(DiluteConveyingUnitTest, FailedLineLeavesTheFallbackOutlet) {
    DiluteConveyingUnit unit;
    BindBlock(unit, Feed(0.3, 0.3));
    ASSERT_EQ(unit.Initialize(), kStatusOk);
    Configure(unit.GetLine());
    unit.GetLine().SetLowPressureThreshold(99500.0);
    ASSERT_TRUE(Valid(unit));
    const long status = unit.Calculate();
    EXPECT_EQ(status, kStatusCapeUnknown);
    unit.SetErrorExit();
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomeFallback);
    EXPECT_EQ(Pressure(unit, outlet), 99500.0);
    EXPECT_EQ(unit.GetLine().GetLenghtProfile().GetCount(), 0u);
}

}  // namespace
}  // namespace brixel::cli
