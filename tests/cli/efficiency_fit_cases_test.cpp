// The efficiency_fit case kind and the separator's curve from its streams: the examples
// against values worked out independently, and the checks of the case-file keys.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli/case_edit.h"
#include "cli/case_kinds.h"
#include "cli/command.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {
namespace {

std::string Example(const std::string& name) {
    return std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
}
RunResult RunExample(const std::string& name) {
    return ReadCase(ReadCaseText(Example(name)), name)();
}
double ValueOf(const RunResult& result, const std::string& name) {
    for (const ResultValue& value : result.values) {
        if (value.name == name) {
            return value.value;
        }
    }
    ADD_FAILURE() << "no value " << name;
    return std::nan("");
}

double Rogers(double x, double x50, double m) {
    return 1.0 / (1.0 + x50 / x * std::exp(m * (1.0 - std::pow(x / x50, 3))));
}

TEST(EfficiencyFitCasesTest, FitExampleFindsTheGeneratingRogersCurve) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCommand({"run", Example("efficiency_fit.yaml")}, out, err), kExitCalculated);
    const RunResult result = RunExample("efficiency_fit.yaml");
    EXPECT_EQ(ValueOf(result, "fallback code"), 0.0);
    EXPECT_EQ(ValueOf(result, "chosen model"), 2.0);
    EXPECT_NEAR(ValueOf(result, "rogers x50"), 8e-6, 8e-8);
    EXPECT_NEAR(ValueOf(result, "rogers m"), 2.5, 0.025);
    EXPECT_NEAR(ValueOf(result, "rogers o"), 0.0, 1e-3);
    // Class middles of the boundaries 1, 2, 5, 10, 20, 40 um.
    const std::vector<double> middles = {1.5e-6, 3.5e-6, 7.5e-6, 1.5e-5, 3e-5};
    const ResultTable& curve = result.tables.at(0);
    ASSERT_EQ(curve.rows.size(), middles.size());
    for (std::size_t i = 0; i < middles.size(); ++i) {
        EXPECT_DOUBLE_EQ(curve.rows[i][0], middles[i]);
        EXPECT_NEAR(curve.rows[i][1], Rogers(middles[i], 8e-6, 2.5), 2e-3) << i;
    }
    EXPECT_FALSE(result.fallback);
}

TEST(EfficiencyFitCasesTest, TransformedSplineExampleStaysOnTheDataAndIsMonotonic) {
    const RunResult result = RunExample("efficiency_spline.yaml");
    EXPECT_EQ(ValueOf(result, "fallback code"), 0.0);
    EXPECT_TRUE(std::isnan(ValueOf(result, "chosen model")));
    const ResultTable& curve = result.tables.at(0);
    ASSERT_EQ(curve.rows.size(), 5u);
    for (std::size_t i = 1; i < curve.rows.size(); ++i) {
        EXPECT_GT(curve.rows[i][1], curve.rows[i - 1][1]);
    }
    // 4 um lies between the points (3 um, 0.13) and (6 um, 0.35).
    EXPECT_GT(curve.rows[1][1], 0.13);
    EXPECT_LT(curve.rows[1][1], 0.35);
}

TEST(EfficiencyFitCasesTest, FallbackExampleInterpolatesLinearlyAndExitsWithOne) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCommand({"run", Example("efficiency_fallback.yaml")}, out, err), kExitFallback);
    EXPECT_NE(
        out.str().find("NOT ENOUGH SEPARATION EFFICIENCY DATA POINTS SPECIFIED TO USE SPLINE"),
        std::string::npos);
    const RunResult result = RunExample("efficiency_fallback.yaml");
    EXPECT_EQ(ValueOf(result, "fallback code"), 1.0);
    // (1 um, 0.2) and (2 um, 0.6): 0.25 um -> -0.1 -> 0; 1.5 um -> 0.4; 4 um -> 1.4 -> 1.
    const ResultTable& curve = result.tables.at(0);
    ASSERT_EQ(curve.rows.size(), 3u);
    EXPECT_EQ(curve.rows[0][1], 0.0);
    EXPECT_NEAR(curve.rows[1][1], 0.4, 1e-12);
    EXPECT_EQ(curve.rows[2][1], 1.0);
    EXPECT_TRUE(result.fallback);
}

TEST(EfficiencyFitCasesTest, StreamCurveOfTheSeparatorEqualsItsOwnCurve) {
    const RunResult result = RunExample("gas_cyclone_stream_curve.yaml");
    const ResultTable* own = nullptr;
    const ResultTable* streams = nullptr;
    for (const ResultTable& table : result.tables) {
        own = table.name == "efficiency" ? &table : own;
        streams = table.name == "stream_efficiency" ? &table : streams;
    }
    ASSERT_TRUE(own && streams);
    ASSERT_EQ(streams->columns,
              (std::vector<std::string>{"class size / m", "CISOLID / -", "overall / -"}));
    ASSERT_EQ(streams->rows.size(), own->rows.size());
    for (std::size_t i = 0; i < own->rows.size(); ++i) {
        EXPECT_DOUBLE_EQ(streams->rows[i][0], own->rows[i][0]);
        EXPECT_NEAR(100.0 * streams->rows[i][1], own->rows[i][1], 1e-9);
        EXPECT_NEAR(streams->rows[i][2], streams->rows[i][1], 1e-15);
    }
}

TEST(EfficiencyFitCasesTest, BadFilesAreRefusedWithTheirPlace) {
    const std::string base = ReadCaseText(Example("efficiency_fit.yaml"));
    const auto refused = [&](const std::string& from, const std::string& to) {
        return RefusalOf(base, from, to);
    };
    const auto contains = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    EXPECT_TRUE(contains(refused("method: fit", "method: cubic"), "unknown method 'cubic'"));
    EXPECT_TRUE(contains(refused("rrsb, rogers", "rrsb, plitt"), "unknown model 'plitt'"));
    EXPECT_TRUE(
        contains(refused("method: fit", "method: linear"), "models apply to the method 'fit'"));
    EXPECT_TRUE(contains(refused("[2.0e-6, 4.0e-6,", "[4.0e-6, 2.0e-6,"), "strictly ascending"));
    EXPECT_TRUE(contains(refused("[2.0e-6, 4.0e-6,", "[2.0e-6, 2.0e-6,"), "strictly ascending"));
    EXPECT_TRUE(contains(refused("0.5, 0.931244", "50.0, 0.931244"), "fractions between 0 and 1"));
    EXPECT_TRUE(contains(refused("0.5, 0.931244", ".nan, 0.931244"), "case.yaml:"));
    EXPECT_TRUE(contains(refused("0.999989, 1.0, 1.0]", "0.999989, 1.0]"), "one value per size"));
    EXPECT_TRUE(contains(refused("grid:\n", "grid:\n  classes: [1.0e-6]\n"), "exactly one of"));
    EXPECT_TRUE(contains(refused("boundaries: [1.0e-6, 2.0e-6,", "boundaries: [2.0e-6, 1.0e-6,"),
                         "strictly ascending"));
    EXPECT_TRUE(contains(refused("points:", "pints:"), "pints"));
    EXPECT_TRUE(
        contains(refused("method: fit\n", "method: fit\nspline: host\n"), "spline applies to"));
}

}  // namespace
}  // namespace brixel::cli
