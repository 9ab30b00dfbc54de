// Case files a hostile-input probe found wrong results for: an outlet state with a single
// variable, and solid flows below the host's smallest real.
#include <gtest/gtest.h>

#include <string>

#include "cli/case_file.h"
#include "cli/case_run.h"
#include "cli/default_case.h"

namespace brixel::cli {
namespace {

// The default case (a gas cyclone at 320 K, 1.04 bar; see the default case text) with its
// outlet state and its limestone flow replaced.
std::string DefaultCaseWith(const std::string& outletState, const std::string& solids) {
    std::string text(DefaultCaseText());
    const std::size_t state = text.find("  outlet_state:");
    EXPECT_NE(state, std::string::npos);
    std::size_t end = text.find('\n', state);
    while (end != std::string::npos && text.compare(end + 1, 4, "    ") == 0) {
        end = text.find('\n', end + 1);
    }
    text.replace(state, end == std::string::npos ? std::string::npos : end - state,
                 "  outlet_state: " + outletState);
    const std::size_t flow = text.find("CACO3: ");
    EXPECT_NE(flow, std::string::npos);
    text.replace(flow, text.find_first_of(",}", flow) - flow, "CACO3: " + solids);
    return text;
}

TEST(HostileCasesTest, ASingleTemperatureKeepsTheInletPressureAndTheVapour) {
    // Before, a lone temperature flashed at vapour fraction 0: the outlets left as liquid at
    // their bubble pressure and the run reported "calculated".
    for (const auto& [state, temperature] :
         {std::pair<std::string, double>{"{temperature: 400.0}", 400.0},
          {"{temperature change: 0.0}", -1.0}}) {
        SCOPED_TRACE(state);
        const CaseResult result =
            RunSeparatorCase(ParseCase(DefaultCaseWith(state, "0.1"), "default"));
        ASSERT_EQ(result.status, 0);
        const double outletTemperature = temperature > 0 ? temperature : result.inlet.temperature;
        for (const StreamSummary* outlet : {&result.fluidOutlet, &result.solidOutlet}) {
            EXPECT_NEAR(outlet->temperature, outletTemperature, 1e-9);
            EXPECT_EQ(outlet->pressure, result.inlet.pressure);
            EXPECT_EQ(outlet->liquid, 0.0);  // humid air far above its dew point
        }
        EXPECT_NEAR(result.fluidOutlet.vapour, result.inlet.vapour, 1e-9 * result.inlet.vapour);
    }
}

TEST(HostileCasesTest, SolidsBelowTheSmallestRealGoToOneOutletOnly) {
    // 1e-300 kg/s is below the host's smallest real (1e-35): the split snaps to 1 and no
    // solid may stay in the fluid outlet as well.
    const CaseResult result = RunSeparatorCase(ParseCase(
        DefaultCaseWith("{temperature change: 0.0, pressure change: 0.0}", "1.0e-300"), "default"));
    ASSERT_EQ(result.status, 0);
    EXPECT_DOUBLE_EQ(result.inlet.solid, 1e-300);
    EXPECT_EQ(result.fluidOutlet.solid, 0.0);
    EXPECT_DOUBLE_EQ(result.solidOutlet.solid, result.inlet.solid);
    EXPECT_EQ(result.solidSplitAchieved, 1.0);
}

}  // namespace
}  // namespace brixel::cli
