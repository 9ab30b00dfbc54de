#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "cli/run_report.h"

namespace brixel::cli {
namespace {

RunResult TwoStreamResult() {
    RunResult result;
    result.kind = "line";
    result.block = "PIPE";
    result.description = "a test line";
    StreamSummary in;
    in.vapour = 1.5;
    in.solid = 0.25;
    in.temperature = 300.0;
    in.pressure = 2e5;
    StreamSummary out = in;
    out.pressure = std::numeric_limits<double>::quiet_NaN();
    result.streams = {{"INLET", in}, {"OUTLET", out}};
    result.values = {{"pressure drop", 12345.678, "Pa"},
                     {"not reached", std::numeric_limits<double>::quiet_NaN(), ""}};
    result.tables = {{"profile",
                      "Profile along the line",
                      {"length / m", "pressure / Pa"},
                      {{0.0, 2e5}, {10.0, std::numeric_limits<double>::quiet_NaN()}}},
                     {"empty", "An empty table", {"x / m"}, {}}};
    result.messages = {"A WARNING"};
    result.valid = true;
    result.outcome = -9990;
    return result;
}

TEST(RunReport, SharedLayoutShowsEveryPartOfAnyKind) {
    const std::string report = FormatRunReport(TwoStreamResult(), "case.yaml");
    for (const char* part : {
             "brixel: line case\ncase: case.yaml\nblock PIPE: a test line\n\n",
             "Outcome: calculated (status S_OK, outcome word -9990, warnings)\n",
             "Streams                             INLET         OUTLET\n",
             "  total              kg/s            1.75           1.75\n",
             "  pressure           Pa            200000              -\n",
             "  pressure drop                                  Pa          12345.7\n",
             "  not reached                                                      -\n",
             // Columns as wide as the widest heading, right-aligned.
             "Profile along the line\n     length / m pressure / Pa\n"
             "              0        200000\n             10             -\n",
             "An empty table\n  (none)\n",
             "Messages\n  A WARNING\n\nHistory\n  (none)\n",
         }) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n---\n" << report;
    }
}

TEST(RunReport, AKindsOwnLayoutTakesPrecedenceAndGetsTheSource) {
    RunResult result = TwoStreamResult();
    result.fallback = true;
    result.ownTextReport = [](const std::string& source) { return "own report of " + source; };
    EXPECT_EQ(FormatRunReport(result, "x.yaml"), "own report of x.yaml");
}

}  // namespace
}  // namespace brixel::cli
