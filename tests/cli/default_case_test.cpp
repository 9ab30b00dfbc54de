#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/default_case.h"

namespace brixel::cli {
namespace {

TEST(DefaultCaseTest, PassesTheFeedThroughAndReportsIt) {
    std::ostringstream out;
    EXPECT_EQ(RunDefaultCase(out), 0);
    const std::string report = out.str();
    // Mass flow of 0.078 N2 + 0.021 O2 + 0.001 H2O kmol/s:
    // 0.078 * 28.0134 + 0.021 * 31.9988 + 0.001 * 18.01528 = 2.87503528 kg/s, in both tables.
    const std::string massFlow = "2.87504 kg/s";
    const auto first = report.find(massFlow);
    ASSERT_NE(first, std::string::npos) << report;
    EXPECT_NE(report.find(massFlow, first + 1), std::string::npos) << report;
    EXPECT_NE(report.find("28.7504 kg/kmol"), std::string::npos) << report;
    EXPECT_NE(report.find("Block status: S_OK, outcome word -9999"), std::string::npos);
    EXPECT_NE(report.find("OUTLET SET EQUAL TO INLET."), std::string::npos);
    EXPECT_NE(report.find("PASS-THROUGH BLOCK B1: OUTLET = INLET"), std::string::npos);
}

}  // namespace
}  // namespace brixel::cli
