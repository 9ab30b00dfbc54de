// The distribution case kind: every example against its closed form or hand-mapped table,
// and the checks of its case-file keys.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/case_edit.h"
#include "cli/case_kinds.h"
#include "cli/command.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {
namespace {

const std::vector<double> kMesh = {0.0, 5e-6, 1e-5, 2e-5, 4e-5, 8e-5, 1.6e-4, 3.2e-4};
const std::vector<double> kFeedPsd = {0.05, 0.10, 0.20, 0.30, 0.20, 0.10, 0.05};

RunResult RunExample(const std::string& name) {
    const std::string path = std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
    return ReadCase(ReadCaseText(path), path)();
}

// Column `column` of the PSD table.
std::vector<double> Column(const RunResult& result, std::size_t column) {
    std::vector<double> values;
    for (const auto& row : result.tables.at(0).rows) {
        values.push_back(row.at(column));
    }
    return values;
}
constexpr std::size_t kTargetQ3 = 4, kOutletQ = 5, kOutletQ3 = 6, kTargetQ = 3;

// Target Q3 at the upper boundaries from a cumulative curve, normalized at the top of the mesh.
void ExpectCumulative(const RunResult& result, const std::function<double(double)>& q3) {
    const std::vector<double> target = Column(result, kTargetQ3);
    ASSERT_EQ(target.size(), kMesh.size() - 1);
    for (std::size_t k = 0; k < target.size(); ++k) {
        EXPECT_NEAR(target[k], q3(kMesh[k + 1]) / q3(kMesh.back()), 1e-12) << k;
    }
}

void ExpectFlowsKept(const RunResult& result) {
    ASSERT_EQ(result.streams.size(), 2u);
    const StreamSummary& in = result.streams[0].second;
    const StreamSummary& out = result.streams[1].second;
    EXPECT_NEAR(out.solid, in.solid, 1e-12 * in.solid);
    EXPECT_NEAR(out.vapour, in.vapour, 1e-12 * in.vapour);
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.fallback);
}

double Phi(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

TEST(DistributionCasesTest, RrsbExample) {
    const RunResult result = RunExample("distribution_rrsb.yaml");
    ExpectFlowsKept(result);
    ExpectCumulative(result, [](double x) { return 1.0 - std::exp(-std::pow(x / 3e-5, 1.4)); });
    const auto target = Column(result, kTargetQ);
    const auto outlet = Column(result, kOutletQ);
    for (std::size_t k = 0; k < target.size(); ++k) {
        EXPECT_NEAR(outlet[k], target[k], 1e-12);
    }
}

TEST(DistributionCasesTest, GgsExampleWithBypass) {
    const RunResult result = RunExample("distribution_ggs.yaml");
    ExpectFlowsKept(result);
    // m from Xmax and D50; Xmax lies inside the mesh.
    const double m = std::log(2.0) / std::log(1.6e-4 / 4e-5);
    ExpectCumulative(result, [&](double x) { return x <= 1.6e-4 ? std::pow(x / 1.6e-4, m) : 1.0; });
    EXPECT_NEAR(Column(result, kTargetQ3)[3], 0.5, 1e-12);
    const auto target = Column(result, kTargetQ);
    const auto outlet = Column(result, kOutletQ);
    for (std::size_t k = 0; k < target.size(); ++k) {
        EXPECT_NEAR(outlet[k], 0.2 * kFeedPsd[k] + 0.8 * target[k], 1e-12) << k;
    }
}

TEST(DistributionCasesTest, LogNormalExample) {
    const RunResult result = RunExample("distribution_lognormal.yaml");
    ExpectFlowsKept(result);
    ExpectCumulative(result, [](double x) { return Phi(std::log(x / 2.5e-5) / 0.6); });
}

TEST(DistributionCasesTest, BimodalNormalExample) {
    const RunResult result = RunExample("distribution_normal.yaml");
    ExpectFlowsKept(result);
    const auto normalized = [](double x, double d50, double sigma) {
        return Phi((x - d50) / sigma) / Phi((3.2e-4 - d50) / sigma);
    };
    const auto target = Column(result, kTargetQ3);
    for (std::size_t k = 0; k < target.size(); ++k) {
        const double x = kMesh[k + 1];
        EXPECT_NEAR(target[k],
                    0.4 * normalized(x, 1.5e-5, 5e-6) + 0.6 * normalized(x, 9e-5, 2.5e-5), 1e-12)
            << k;
    }
}

TEST(DistributionCasesTest, TableExampleByHand) {
    const RunResult result = RunExample("distribution_table.yaml");
    ExpectFlowsKept(result);
    // Classes (0,10] 0.15, (10,30] 0.25, (30,60] 0.30, (60,120] 0.20, (120,320] 0.10 um,
    // shared in proportion to the overlap with each interval.
    const std::vector<double> expected = {
        0.075, 0.075, 0.125, 0.125 + 0.1, 0.2 + 0.2 / 3.0, 0.4 / 3.0 + 0.02, 0.08};
    const auto outlet = Column(result, kOutletQ);
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(outlet[k], expected[k], 1e-12) << k;
    }
    EXPECT_NEAR(Column(result, kOutletQ3).back(), 1.0, 1e-12);
}

TEST(DistributionCasesTest, BadFilesAreRefusedWithTheirPlace) {
    const std::string base =
        ReadCaseText(std::string(BRIXEL_EXAMPLES_DIR) + "/distribution_rrsb.yaml");
    const auto refused = [&](const std::string& from, const std::string& to) {
        return RefusalOf(base, from, to);
    };
    EXPECT_NE(refused("type: RRSB", "type: Weibull").find("unknown distribution type 'Weibull'"),
              std::string::npos);
    EXPECT_NE(refused("n: 1.4", "n: -1.4").find("n must be greater than 0"), std::string::npos);
    EXPECT_NE(refused("D63: 3.0e-5", "D63: .nan").find("case.yaml:"), std::string::npos);
    EXPECT_NE(refused("functions:", "fuctions:").find("fuctions"), std::string::npos);
    EXPECT_NE(refused("    - {type: RRSB, D63: 3.0e-5, n: 1.4}", "  bypass: 0.5")
                  .find("functions must be a non-empty list"),
              std::string::npos);
    EXPECT_NE(refused("  functions:\n    - {type: RRSB, D63: 3.0e-5, n: 1.4}", "  bypass: 0.5")
                  .find("either functions or a table"),
              std::string::npos);
}

TEST(DistributionCasesTest, AMissedMeshCompletesThroughTheFallback) {
    const std::string base =
        ReadCaseText(std::string(BRIXEL_EXAMPLES_DIR) + "/distribution_rrsb.yaml");
    std::string text = base;
    text.replace(text.find("D63: 3.0e-5, n: 1.4"), 19, "D63: 1.0, n: 10.0");
    const RunResult result = ReadCase(text, "miss.yaml")();
    EXPECT_TRUE(result.fallback);
    EXPECT_EQ(Column(result, kOutletQ), kFeedPsd);
    ASSERT_FALSE(result.messages.empty());
    EXPECT_EQ(result.messages[0], "      CALCULATED PSD DOES NOT FIT INTO THE DEFINED MESH.");
}

}  // namespace
}  // namespace brixel::cli
