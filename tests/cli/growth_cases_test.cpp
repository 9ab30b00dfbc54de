// The growth case kind: both examples against increments solved here, and the checks of its
// case-file keys.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "cli/case_edit.h"
#include "cli/case_kinds.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {
namespace {

const std::vector<double> kMesh = {0.0, 5e-6, 1e-5, 2e-5, 4e-5, 8e-5, 1.6e-4, 3.2e-4};
constexpr double kPi = std::numbers::pi;
constexpr std::size_t kInletQ = 2, kOutletQ = 3, kGrownSize = 5;

RunResult RunExample(const std::string& name) {
    const std::string path = std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
    return ReadCase(ReadCaseText(path), path)();
}

double Value(const RunResult& result, const std::string& name) {
    for (const ResultValue& value : result.values) {
        if (value.name == name) {
            return value.value;
        }
    }
    ADD_FAILURE() << "no value " << name;
    return std::nan("");
}

std::vector<double> Column(const RunResult& result, std::size_t column) {
    std::vector<double> values;
    for (const auto& row : result.tables.at(0).rows) {
        values.push_back(row.at(column));
    }
    return values;
}

double Bisect(const std::function<double(double)>& f, double low, double high) {
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (low + high);
        (f(mid) < 0.0 ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

double Mean(std::size_t i) {
    return 0.5 * (kMesh[i] + kMesh[i + 1]);
}

TEST(GrowthCasesTest, CrystallizerGrowsEveryParticleByOneDiameterIncrement) {
    const RunResult result = RunExample("growth_crystallizer.yaml");
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.fallback);
    EXPECT_TRUE(result.messages.empty());
    const std::vector<double> q = {0.05, 0.10, 0.20, 0.30, 0.20, 0.15, 0.0};
    // 0.5 kg/s grow to 0.6: sum of 0.5 q_i ((1 + x / d_i)^3 - 1) = 0.1, free of the density.
    const double expected = Bisect(
        [&](double x) {
            double gain = 0.0;
            for (std::size_t i = 0; i < q.size(); ++i) {
                gain += 0.5 * q[i] * (std::pow(1.0 + x / Mean(i), 3) - 1.0);
            }
            return gain - 0.1;
        },
        0.0, 1e-5);
    EXPECT_NEAR(Value(result, "size increment"), expected, 2e-4 * expected);
    EXPECT_NEAR(Value(result, "solids out"), 0.6, 1e-12);
    EXPECT_NEAR(result.streams[1].second.solid, 0.6, 1e-12);
    EXPECT_NEAR(result.streams[1].second.liquid, result.streams[0].second.liquid, 1e-12);
    const double in = Value(result, "particle number flow in");
    EXPECT_NEAR(Value(result, "particle number flow out, growth law") / in, 1.0, 1e-12);
    const std::vector<double> grown = Column(result, kGrownSize);
    for (std::size_t i = 0; i < q.size(); ++i) {
        EXPECT_NEAR(grown[i] - Mean(i), Value(result, "size increment"), 1e-15) << i;
    }
    double sum = 0.0;
    for (const double x : Column(result, kOutletQ)) {
        EXPECT_GE(x, 0.0);
        sum += x;
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_EQ(Column(result, kInletQ), q);
}

TEST(GrowthCasesTest, DissolutionRemovesTheFinestClasses) {
    const RunResult result = RunExample("growth_dissolution.yaml");
    EXPECT_EQ(result.status, 0);
    const std::vector<double> q = {0.05, 0.10, 0.20, 0.30, 0.20, 0.10, 0.05};
    // Equal volume dV per particle: class i loses n_i rho dV = m_i dV / (pi/6 d_i^3), or all
    // of m_i once d_i^3 + 6 dV / pi is not positive; 0.6 of 1 kg/s goes.
    const auto loss = [&](double dv) {
        double change = 0.0;
        for (std::size_t i = 0; i < q.size(); ++i) {
            const double volume = kPi / 6.0 * std::pow(Mean(i), 3);
            change += volume + dv > 0.0 ? q[i] * dv / volume : -q[i];
        }
        return change + 0.6;
    };
    const double expected = Bisect(loss, -kPi / 6.0 * std::pow(2.4e-4, 3), 0.0);
    const double dv = Value(result, "volume increment");
    EXPECT_NEAR(dv, expected, 1e-3 * std::fabs(expected));
    const std::vector<double> grown = Column(result, kGrownSize);
    const std::vector<double> outlet = Column(result, kOutletQ);
    for (std::size_t i = 0; i < q.size(); ++i) {
        const double volume = kPi / 6.0 * std::pow(Mean(i), 3);
        if (volume + expected <= 0.0) {
            EXPECT_EQ(grown[i], 0.0) << i;  // dissolved
        } else {
            EXPECT_NEAR(kPi / 6.0 * std::pow(grown[i], 3) - volume, dv, 1e-9 * volume) << i;
        }
        EXPECT_GE(outlet[i], 0.0);
    }
    EXPECT_EQ(outlet[0], 0.0);
    EXPECT_NEAR(result.streams[1].second.solid, 0.4, 1e-12);
}

TEST(GrowthCasesTest, CaseFileKeysAreChecked) {
    const std::string base =
        ReadCaseText(std::string(BRIXEL_EXAMPLES_DIR) + "/growth_crystallizer.yaml");
    const auto refused = [&](const std::string& from, const std::string& to) {
        return RefusalOf(base, from, to);
    };
    EXPECT_NE(
        refused("method: diameter-weighted", "method: sideways").find("unknown method 'sideways'"),
        std::string::npos);
    EXPECT_NE(refused("outlet_solids: 0.6", "outlet_solids: 0.0").find("greater than 0"),
              std::string::npos);
    EXPECT_NE(refused("outlet_solids: 0.6", "outlet_solid: 0.6").find("outlet_solid"),
              std::string::npos);
    EXPECT_NE(refused("  method: diameter-weighted\n", "").find("method"), std::string::npos);
    EXPECT_NE(refused("{SIO2: 0.5}", "{SIO2: 0.0}").find("needs solids flow"), std::string::npos);
    EXPECT_NE(refused("      psd_mesh: [0.0, 5.0e-6, 1.0e-5, 2.0e-5, 4.0e-5, 8.0e-5, 1.6e-4, "
                      "3.2e-4]\n",
                      "")
                  .find("case.yaml:"),
              std::string::npos);
}

TEST(GrowthCasesTest, GrowthPastTheMeshWarns) {
    std::string text = ReadCaseText(std::string(BRIXEL_EXAMPLES_DIR) + "/growth_crystallizer.yaml");
    text.replace(text.find("0.15, 0.0]"), 10, "0.10, 0.05]");
    const RunResult result = ReadCase(text, "warn.yaml")();
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(result.fallback);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0],
              "      SOME PARTICLES GROW ABOVE THE BIGGEST SIZE INTERVAL DEFINED.");
    EXPECT_EQ(result.outcome, -9990);
}

}  // namespace
}  // namespace brixel::cli
