// Invariants every run must keep, whatever the case: over each example case file, the built-in
// case and a grid of separator specifications. Mass is conserved per component between the
// inlets and the outlets, the phase totals balance, and every PSD is a distribution.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/case_kinds.h"
#include "cli/default_case.h"

namespace brixel::cli {
namespace {

struct InvariantCase {
    std::string name;
    std::string text;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<InvariantCase> ExampleCases() {
    std::vector<InvariantCase> cases;
    for (const auto& entry : std::filesystem::directory_iterator(BRIXEL_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".yaml") {
            cases.push_back({entry.path().stem().string(), ReadFile(entry.path())});
        }
    }
    std::sort(cases.begin(), cases.end(),
              [](const InvariantCase& a, const InvariantCase& b) { return a.name < b.name; });
    cases.push_back({"built_in_default", std::string(DefaultCaseText())});
    return cases;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "the built-in case no longer holds \"" << from << "\"";
        return text;
    }
    return text.replace(at, from.size(), to);
}

// The built-in cyclone with its solid split, sharpness and class attribute varied.
std::vector<InvariantCase> SeparatorGrid() {
    std::vector<InvariantCase> cases;
    const std::string base(DefaultCaseText());
    for (const char* split : {"0.05", "0.5", "0.9", "0.999"}) {
        for (const char* sharpness : {"0.3", "0.6", "0.95"}) {
            for (const char* attribute : {"particle size", "particle settling velocity"}) {
                std::string text =
                    Replaced(base, "mass fraction of solids to solid outlet: 0.9",
                             std::string("mass fraction of solids to solid outlet: ") + split);
                text = Replaced(text, "sharpness: 0.6", std::string("sharpness: ") + sharpness);
                text = Replaced(text, "class_attribute: particle size",
                                std::string("class_attribute: ") + attribute);
                std::string name =
                    std::string("split_") + split + "_sharpness_" + sharpness + "_" +
                    (std::string(attribute) == "particle size" ? "size" : "velocity");
                std::replace(name.begin(), name.end(), '.', '_');
                cases.push_back({name, text});
            }
        }
    }
    return cases;
}

bool IsInlet(const std::string& port) {
    return port.rfind("INLET", 0) == 0;
}

// Kinds whose outlets carry exactly the inlets' material.
bool ConservesMass(const std::string& kind) {
    static const std::set<std::string> kinds{"separator", "dilute_conveying", "dense_conveying",
                                             "distribution"};
    return kinds.count(kind) != 0;
}

double Total(const StreamSummary& stream) {
    return stream.vapour + stream.liquid + stream.solid;
}

class RunInvariants : public testing::TestWithParam<InvariantCase> {};

TEST_P(RunInvariants, MassIsConservedAndEveryPsdIsADistribution) {
    const InvariantCase& input = GetParam();
    const RunResult result = ReadCase(input.text, input.name)();
    ASSERT_FALSE(result.streams.empty()) << "a run without streams";
    for (const auto& [port, stream] : result.streams) {
        if (stream.psd.empty()) {
            continue;
        }
        const double sum = std::accumulate(stream.psd.begin(), stream.psd.end(), 0.0);
        EXPECT_NEAR(sum, 1.0, 1e-9) << port;
        EXPECT_TRUE(std::all_of(stream.psd.begin(), stream.psd.end(), [](double w) {
            return w >= 0.0 && w <= 1.0;
        })) << port;
    }
    // Every case here is meant to run: a refused one would skip the balances unnoticed.
    ASSERT_TRUE(result.valid) << "status " << result.status;
    if (!ConservesMass(result.kind)) {
        return;
    }
    const std::size_t components = result.streams.front().second.componentMass.size();
    ASSERT_GT(components, 0u);
    std::vector<double> in(components, 0.0);
    std::vector<double> out(components, 0.0);
    double totalIn = 0.0;
    double totalOut = 0.0;
    for (const auto& [port, stream] : result.streams) {
        ASSERT_EQ(stream.componentMass.size(), components) << port;
        std::vector<double>& side = IsInlet(port) ? in : out;
        for (std::size_t c = 0; c < components; ++c) {
            ASSERT_TRUE(std::isfinite(stream.componentMass[c])) << port << " component " << c;
            EXPECT_GE(stream.componentMass[c], 0.0) << port << " component " << c;
            side[c] += stream.componentMass[c];
        }
        (IsInlet(port) ? totalIn : totalOut) += Total(stream);
    }
    for (std::size_t c = 0; c < components; ++c) {
        EXPECT_NEAR(out[c], in[c], 1e-9 * in[c] + 1e-15) << "component " << c;
    }
    EXPECT_NEAR(totalOut, totalIn, 1e-9 * totalIn) << "phase totals";
    // The phase totals account for every component's mass.
    const double componentSum = std::accumulate(in.begin(), in.end(), 0.0);
    EXPECT_NEAR(totalIn, componentSum, 1e-9 * componentSum);
}

std::string CaseName(const testing::TestParamInfo<InvariantCase>& info) {
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Examples, RunInvariants, testing::ValuesIn(ExampleCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(SeparatorGrid, RunInvariants, testing::ValuesIn(SeparatorGrid()),
                         CaseName);

}  // namespace
}  // namespace brixel::cli
