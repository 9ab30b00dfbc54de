#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>
#include <string>

#include "cli/case_file.h"
#include "cli/case_run.h"
#include "cli/command.h"
#include "cli/default_case.h"

namespace brixel::cli {
namespace {

std::string Example(const std::string& name) {
    return std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
}

double SolidSplitSpecified(const SeparatorCase& input) {
    for (const NamedValue& specification : input.specifications) {
        if (specification.name == "mass fraction of solids to solid outlet") {
            return specification.value;
        }
    }
    ADD_FAILURE() << "the case has no solid split";
    return 0.0;
}

// Inlet = fluid outlet + solid outlet for every phase and every PSD class.
void ExpectBalancesClose(const CaseResult& result) {
    const StreamSummary& in = result.inlet;
    const StreamSummary& fluid = result.fluidOutlet;
    const StreamSummary& solid = result.solidOutlet;
    EXPECT_NEAR(fluid.vapour + solid.vapour, in.vapour, 1e-9 * in.vapour + 1e-12);
    EXPECT_NEAR(fluid.liquid + solid.liquid, in.liquid, 1e-9 * in.liquid + 1e-12);
    EXPECT_NEAR(fluid.solid + solid.solid, in.solid, 1e-9 * in.solid + 1e-12);
    ASSERT_EQ(in.psd.size(), result.psdMesh.size() - 1);
    ASSERT_EQ(fluid.psd.size(), in.psd.size());
    ASSERT_EQ(solid.psd.size(), in.psd.size());
    for (std::size_t i = 0; i < in.psd.size(); ++i) {
        EXPECT_NEAR(fluid.psd[i] * fluid.solid + solid.psd[i] * solid.solid, in.psd[i] * in.solid,
                    1e-9)
            << "class " << i;
    }
    for (const StreamSummary* stream : {&in, &fluid, &solid}) {
        EXPECT_NEAR(std::accumulate(stream->psd.begin(), stream->psd.end(), 0.0), 1.0, 1e-9);
    }
}

// The efficiency curve crosses 50 % once, and the cut value lies between the two classes
// around the crossing (the Rogers function is 0.5 exactly at its cut value).
void ExpectCutBetweenCrossingClasses(const CaseResult& result, bool ascending) {
    const auto& curve = result.efficiencyCurve;
    ASSERT_GE(curve.size(), 2u);
    std::size_t crossings = 0;
    for (std::size_t i = 1; i < curve.size(); ++i) {
        const bool below = curve[i - 1].second < 50.0;
        if (below != (curve[i].second < 50.0)) {
            ++crossings;
            EXPECT_GT(result.d50, std::min(curve[i - 1].first, curve[i].first));
            EXPECT_LT(result.d50, std::max(curve[i - 1].first, curve[i].first));
        }
        if (ascending) {
            EXPECT_GE(curve[i].second, curve[i - 1].second - 1e-9);
        }
    }
    EXPECT_EQ(crossings, 1u);
}

// Default case and the gas cyclone example: gas/solid separators classifying by size.
void ExpectGasCyclone(const CaseResult& result, double vapourIn, double solidIn,
                      double pressureDrop) {
    const SeparatorCase& input = result.input;
    EXPECT_FALSE(result.fallback);
    EXPECT_EQ(result.status, 0);
    EXPECT_NEAR(result.inlet.vapour, vapourIn, 1e-9 * vapourIn);  // sum of the file's flows
    EXPECT_NEAR(result.inlet.solid, solidIn, 1e-12);
    EXPECT_EQ(result.inlet.liquid, 0.0);  // dry enough: all water stays vapour
    ExpectBalancesClose(result);

    // Vapour split 1: every bit of gas leaves with the fluid outlet.
    EXPECT_NEAR(result.fluidOutlet.vapour, vapourIn, 1e-9 * vapourIn);
    EXPECT_LT(result.solidOutlet.vapour, 1e-12);
    EXPECT_EQ(result.fluidSplit, 1.0);

    const double specified = SolidSplitSpecified(input);
    const double achieved = result.solidOutlet.solid / result.inlet.solid;
    EXPECT_NEAR(achieved, specified, 1e-4);
    EXPECT_NEAR(result.solidSplitAchieved, achieved, 1e-9);
    // kg dust per kg gas in the fluid outlet: (1 - s) S / V.
    EXPECT_NEAR(result.solidLoadOfFluid, (1.0 - achieved) * solidIn / vapourIn, 1e-9);

    for (const StreamSummary* outlet : {&result.fluidOutlet, &result.solidOutlet}) {
        EXPECT_NEAR(outlet->temperature, input.temperature, 1e-6);
        EXPECT_NEAR(outlet->pressure, input.pressure - pressureDrop, 1e-6);
    }

    // Classes are the arithmetic means of the mesh boundaries; the mass-weighted mean of
    // the efficiency is the split achieved, and each class goes to the solid outlet by T_i.
    const auto& mesh = input.substreams.at(1).psdMesh;
    const auto& w = input.substreams.at(1).psd;
    ASSERT_EQ(result.efficiencyCurve.size(), w.size());
    double weighted = 0.0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = result.efficiencyCurve[i].second / 100.0;
        EXPECT_NEAR(result.efficiencyCurve[i].first, 0.5 * (mesh[i] + mesh[i + 1]), 1e-15);
        EXPECT_NEAR(result.solidOutlet.psd[i], w[i] * t / achieved, 1e-9) << "class " << i;
        weighted += w[i] * t;
    }
    EXPECT_NEAR(weighted, achieved, 1e-9);
    ExpectCutBetweenCrossingClasses(result, true);
}

TEST(SeparatorCasesTest, DefaultCaseKeepsNinetyPercentOfTheDustWithTheGasInTheFluidOutlet) {
    const CaseResult result =
        RunSeparatorCase(ParseCase(std::string(DefaultCaseText()), "default"));
    // 1.510 + 0.463 + 0.026 + 0.010 kg/s of humid air, 0.1 kg/s of limestone.
    ExpectGasCyclone(result, 2.009, 0.100, 1500.0);
    EXPECT_EQ(result.outcome, -9999);
    EXPECT_TRUE(result.messages.empty());
}

TEST(SeparatorCasesTest, GasCycloneExampleMeetsItsSplit) {
    const CaseResult result = RunSeparatorCase(LoadCaseFile(Example("gas_cyclone.yaml")));
    ExpectGasCyclone(result, 3.9, 0.6, 2000.0);
}

TEST(SeparatorCasesTest, HydrocycloneResolvesTheWaterSplitFromTheUnderflowLoad) {
    const CaseResult result = RunSeparatorCase(LoadCaseFile(Example("hydrocyclone.yaml")));
    EXPECT_FALSE(result.fallback);
    EXPECT_EQ(result.status, 0);
    EXPECT_NEAR(result.inlet.liquid, 10.0, 1e-9);
    EXPECT_EQ(result.inlet.vapour, 0.0);
    ExpectBalancesClose(result);

    // By hand: with s = 0.8 and 1 kg water per kg underflow solids, the underflow takes
    // 1.0 * 0.8 * 1.5 = 1.2 kg/s of the 10 kg/s of water, so 88 % go to the overflow.
    const double achieved = result.solidOutlet.solid / result.inlet.solid;
    EXPECT_NEAR(achieved, 0.8, 1e-4);
    EXPECT_NEAR(result.fluidSplit, 0.88, 1e-12);
    EXPECT_NEAR(result.fluidOutlet.liquid, 8.8, 1e-9);
    EXPECT_NEAR(result.solidOutlet.liquid, 1.2, 1e-9);
    EXPECT_NEAR(result.solidLoadOfFluid, 0.2 * 1.5 / 8.8, 1e-4 * 0.2 * 1.5 / 8.8);
    EXPECT_NEAR(result.fluidLoadOfSolid, 1.0, 1e-4);
    EXPECT_NEAR(result.fluidOutlet.pressure, 100000.0, 1e-6);

    // Classes by settling velocity, fastest first. The slowest (3 um calcite in water at
    // 25 C) settles in the Stokes regime: (2710 - 997.05) * 9.80665 * (3e-6)^2
    // / (18 * 0.890e-3 Pa s) = 9.43e-6 m/s.
    const auto& curve = result.efficiencyCurve;
    ASSERT_EQ(curve.size(), 6u);
    EXPECT_TRUE(std::is_sorted(curve.rbegin(), curve.rend()));
    const double stokes = (2710.0 - 997.05) * 9.80665 * 9e-12 / (18.0 * 0.890e-3);
    EXPECT_NEAR(curve.back().first, stokes, 0.02 * stokes);
    EXPECT_GT(curve.front().second, curve.back().second);
    ExpectCutBetweenCrossingClasses(result, false);
}

TEST(SeparatorCasesTest, FallbackExampleSplitsIdeallyAndSaysSo) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Example("fallback.yaml")}, out, err), kExitFallback);
    EXPECT_EQ(err.str(), "");
    const std::string report = out.str();
    EXPECT_NE(report.find("Outcome: FALLBACK EXIT"), std::string::npos);
    EXPECT_NE(report.find("SOLID LOAD OF VAPOR PRODUCT MUST NOT BE ZERO IF FLOW"),
              std::string::npos);
    EXPECT_NE(report.find("ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK "
                          "MODE!"),
              std::string::npos);

    const CaseResult result = RunSeparatorCase(LoadCaseFile(Example("fallback.yaml")));
    EXPECT_TRUE(result.fallback);
    EXPECT_EQ(result.outcome, -9991);
    // Ideal split: 1.5 + 0.45 kg/s of gas to the fluid outlet, the 0.2 kg/s of dust to the
    // solid outlet, nothing across.
    EXPECT_NEAR(result.fluidOutlet.vapour, 1.95, 1e-9);
    EXPECT_LT(result.solidOutlet.vapour, 1e-12);
    EXPECT_LT(result.fluidOutlet.solid, 1e-12);
    EXPECT_NEAR(result.solidOutlet.solid, 0.2, 1e-12);
    EXPECT_TRUE(result.efficiencyCurve.empty());
}

TEST(SeparatorCasesTest, CommandRunsTheDefaultCaseAndPrintsOneWholeReport) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({}, out, err), kExitCalculated);
    EXPECT_EQ(err.str(), "");
    const std::string report = out.str();
    for (const char* part : {"case: built-in default case", "Outcome: calculated", "Streams",
                             "FLUID OUTLET", "Specifications", "cut size D50",
                             "Grade-efficiency curve", "Solids PSD", "Messages", "History"}) {
        EXPECT_NE(report.find(part), std::string::npos) << part;
    }
    // The solids row of the stream table: 0.1 kg/s in, split 1:9 within the 1e-4 tolerance.
    const auto row = report.find("  solids ");
    ASSERT_NE(row, std::string::npos);
    std::istringstream cells(report.substr(row + 9));
    std::string unit;
    double in = 0, fluid = 0, solid = 0;
    cells >> unit >> in >> fluid >> solid;
    EXPECT_EQ(unit, "kg/s");
    EXPECT_NEAR(in, 0.1, 1e-12);
    EXPECT_NEAR(fluid, 0.01, 1e-5);
    EXPECT_NEAR(solid, 0.09, 1e-5);
}

TEST(SeparatorCasesTest, CommandUsage) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"--help"}, out, err), kExitCalculated);
    EXPECT_NE(out.str().find("brixel run CASE.yaml"), std::string::npos);

    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"frobnicate"}, {"run"}, {"run", "a.yaml", "b.yaml"}}) {
        std::ostringstream badOut;
        std::ostringstream badErr;
        EXPECT_EQ(RunCommand(arguments, badOut, badErr), kExitBadInput);
        EXPECT_EQ(badOut.str(), "");
        EXPECT_NE(badErr.str().find("usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace brixel::cli
