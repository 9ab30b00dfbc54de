// The dense_conveying case kind: its examples against values worked out by hand or by an
// independent solution of the slug balance, and the checks of its part of the case file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli/case_kinds.h"
#include "cli/command.h"
#include "cli/dense_conveying_case.h"

namespace brixel::cli {
namespace {

std::string Example(const std::string& name) {
    return std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
}

RunResult RunExample(const std::string& name) {
    const std::string path = Example(name);
    return ReadCase(ReadCaseText(path), path)();
}

double ValueOf(const RunResult& result, const std::string& name) {
    for (const ResultValue& value : result.values) {
        if (value.name == name) {
            return value.value;
        }
    }
    ADD_FAILURE() << "no result " << name;
    return std::nan("");
}

TEST(DenseConveyingCasesTest, SiloLineExampleMatchesTheSlugBalance) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Example("dense_conveying.yaml")}, out, err), kExitCalculated);
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("Pressure profile"), std::string::npos);

    const RunResult result = RunExample("dense_conveying.yaml");
    EXPECT_EQ(result.kind, "dense_conveying");
    EXPECT_FALSE(result.fallback);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.messages.empty());

    // By hand: nitrogen at 3.5 bar and 300 K holds 3.93086 kg/m3 (ideal gas), so 0.12 kg/s
    // run at 3.88690 m/s through 100 mm; u_c = 0.542 sqrt(9.80665 * 0.1) = 0.536735 m/s; the
    // Sauter diameter of 20/50/30 % in 1-2-3-4 mm is 2.38636 mm.
    EXPECT_NEAR(ValueOf(result, "inlet gas velocity"), 3.886902, 1e-6);
    EXPECT_NEAR(ValueOf(result, "characteristic velocity"), 0.5367346, 1e-6);
    EXPECT_NEAR(ValueOf(result, "particle diameter"), 2.386364e-3, 1e-9);
    EXPECT_NEAR(ValueOf(result, "solids loading"), 12.5, 1e-9);
    // Lift: 60 m sin(0.1) * 12.5 * 3.93086 kg/m3 * g = 2886.327 Pa.
    EXPECT_NEAR(ValueOf(result, "lift pressure drop"), 2886.327, 1e-3);
    // The slug balance solved to the last bit outside the library (with the host's nitrogen
    // viscosity, 1.769487e-5 Pa s): u = 2.580272 m/s, L_s = 4.112174 m, 153439.8 Pa in all.
    // The search stops once both gradients agree to 1e-4.
    EXPECT_NEAR(ValueOf(result, "slug velocity"), 2.580272, 1e-3 * 2.580272);
    EXPECT_NEAR(ValueOf(result, "total slug length"), 4.112174, 1e-3 * 4.112174);
    const double total = ValueOf(result, "total pressure drop");
    EXPECT_NEAR(total, 153439.8, 1e-3 * 153439.8);
    EXPECT_NEAR(ValueOf(result, "friction pressure drop"),
                10.0 * ValueOf(result, "bend pressure drop"), 1e-6);  // 60 m of tube, 6 of bends
    EXPECT_NEAR(ValueOf(result, "heat duty"), 0.0, 1e-6);             // ideal gas, inert sand

    ASSERT_EQ(result.streams.size(), 2u);
    const StreamSummary& in = result.streams[0].second;
    const StreamSummary& outlet = result.streams[1].second;
    EXPECT_NEAR(outlet.pressure, in.pressure - total, 1e-6);
    EXPECT_NEAR(outlet.vapour, in.vapour, 1e-12);
    EXPECT_NEAR(outlet.solid, in.solid, 1e-12);
    EXPECT_EQ(outlet.psd, in.psd);

    ASSERT_EQ(result.tables.size(), 1u);
    const ResultTable& profile = result.tables[0];
    ASSERT_EQ(profile.rows.size(), 11u);
    EXPECT_NEAR(profile.rows.back()[0], 66.0, 1e-9);
    EXPECT_NEAR(profile.rows.back()[1], outlet.pressure, 1e-6);
    EXPECT_NEAR(profile.rows.front()[1], 3.5e5, 1e-6);
}

TEST(DenseConveyingCasesTest, LongLineExampleEndsInTheFallbackAtTheLowestPressure) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Example("dense_conveying_fallback.yaml")}, out, err),
              kExitFallback);
    EXPECT_EQ(err.str(), "");
    const std::string report = out.str();
    EXPECT_NE(report.find("Outcome: FALLBACK EXIT, outlets set to fallback mode"),
              std::string::npos);

    const RunResult result = RunExample("dense_conveying_fallback.yaml");
    EXPECT_TRUE(result.fallback);
    EXPECT_EQ(result.outcome, -9991);
    EXPECT_EQ(result.messages,
              std::vector<std::string>{"      OUTLET PRESSURE BELOW 100.000000 PA. PLEASE INCREASE "
                                       "INLET PRESSURE"});
    // The voidage 0.42 gives (1 - 0.42) * 2648 kg/m3 of quartz.
    EXPECT_NEAR(ValueOf(result, "bulk density of the slugs"), 1535.84, 1e-9);
    // More pressure drop than the 2 bar the line starts with.
    EXPECT_GT(ValueOf(result, "total pressure drop"), 2e5);
    const StreamSummary& in = result.streams.at(0).second;
    const StreamSummary& outlet = result.streams.at(1).second;
    EXPECT_EQ(outlet.pressure, 100.0);
    EXPECT_NEAR(outlet.vapour, in.vapour, 1e-12);
    EXPECT_NEAR(outlet.solid, in.solid, 1e-12);
    EXPECT_TRUE(result.tables.at(0).rows.empty());
    EXPECT_TRUE(std::isnan(ValueOf(result, "heat duty")));
}

constexpr const char* kLineCase = R"(unit: dense_conveying
components: [N2, SIO2]
stream_class:
  substreams:
    - {id: MIXED, type: MIXED}
    - {id: CISOLID, type: CISOLID, psd_mesh: [1.0e-3, 2.0e-3, 3.0e-3]}
feed:
  temperature: 300.0
  pressure: 300000.0
  substreams:
    MIXED: {flows: {N2: 0.1}}
    CISOLID: {flows: {SIO2: 1.0}, psd: [0.5, 0.5]}
dense_conveying:
  tube_diameter: 0.1
  tube_length: 50.0
  bulk_density: 1500.0
  stress_transmission: 0.5
  wall_friction: 0.4
)";

TEST(DenseConveyingCasesTest, CaseFileReadsDefaultsAndOptions) {
    const YamlReader reader("line.yaml");
    DenseConveyingCase input = ReadDenseConveyingCase(reader, YAML::Load(kLineCase));
    EXPECT_EQ(input.blockId, "LINE");
    EXPECT_EQ(input.riseAngle, 0.0);
    EXPECT_EQ(input.bendLength, 0.0);
    EXPECT_FALSE(input.characteristicVelocity.has_value());
    EXPECT_EQ(input.profileIntervals, 10);

    std::string text = kLineCase;
    text += "  voidage: 0.4\n";
    text.replace(text.find("  bulk_density: 1500.0\n"), 22, "");
    text += "  characteristic_velocity: 0.9\n  max_iterations: 50\n  profile_intervals: 4\n";
    input = ReadDenseConveyingCase(reader, YAML::Load(text));
    EXPECT_FALSE(input.bulkDensity.has_value());
    EXPECT_EQ(input.voidage, 0.4);
    EXPECT_EQ(input.characteristicVelocity, 0.9);
    EXPECT_EQ(input.maxIterations, 50);
    const RunResult result = ReadCase(text, "line.yaml")();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ValueOf(result, "characteristic velocity"), 0.9);
    EXPECT_EQ(result.tables.at(0).rows.size(), 5u);
    EXPECT_EQ(ValueOf(result, "bend pressure drop"), 0.0);  // no bends
    EXPECT_EQ(ValueOf(result, "lift pressure drop"), 0.0);  // horizontal
}

TEST(DenseConveyingCasesTest, MalformedLineDataNameLineAndProblem) {
    const struct {
        const char* from;
        const char* to;
        const char* anchor;  // where the message must point, in the changed text
        const char* message;
    } faults[] = {
        {"  tube_diameter: 0.1\n", "", "tube_length",
         "dense_conveying lacks the key 'tube_diameter'"},
        {"tube_length: 50.0", "tube_length: 0.0", "0.0\n  bulk", "tube_length must be above 0 (m)"},
        {"tube_length: 50.0", "tube_length: 50.0\n  rise_angle: 30", "rise_angle",
         "rise_angle is in rad and must lie between -1.5708 and 1.5708"},
        {"bulk_density: 1500.0", "bulk_density: 1500.0\n  voidage: 0.4", "0.4\n",
         "give the slug's bulk_density (kg/m3) or its voidage, one of the two"},
        {"bulk_density: 1500.0", "voidage: 1.0", "1.0\n",
         "voidage must lie between 0 and 1 (both excluded)"},
        {"wall_friction: 0.4", "wall_friction: 0.4\n  max_iterations: 2.5", "2.5",
         "max_iterations must be a whole number from 1 to 1000000"},
        {"wall_friction: 0.4", "wall_friction: 0.4\n  sphericity: 0", "sphericity",
         "sphericity must lie above 0 and at most 1"},
        {"wall_friction: 0.4", "wall_friktion: 0.4", "wall_friktion",
         "unknown key 'wall_friktion' in dense_conveying"},
        {"wall_friction: 0.4", "wall_friction: .nan", ".nan",
         "wall_friction must be a finite number, not '.nan'"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.message);
        std::string text = kLineCase;
        const std::size_t at = text.find(fault.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, std::string(fault.from).size(), fault.to);
        const std::size_t place = text.find(fault.anchor);  // the line of the offending node
        ASSERT_NE(place, std::string::npos);
        const long line = std::count(text.begin(), text.begin() + static_cast<long>(place), '\n');
        try {
            ReadCase(text, "line.yaml");
            ADD_FAILURE() << "accepted";
        } catch (const CaseFileError& error) {
            const std::string what = error.what();
            EXPECT_EQ(what.rfind("line.yaml:" + std::to_string(line + 1) + ":", 0), 0u) << what;
            EXPECT_NE(what.find(fault.message), std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace brixel::cli
