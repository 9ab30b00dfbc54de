// Dilute-phase conveying case files: the examples against values worked out by hand, and
// malformed files refused with their place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

#include "cli/case_kinds.h"
#include "cli/command.h"
#include "cli/dilute_conveying_case.h"

namespace brixel::cli {
namespace {

constexpr double kGasConstant = 8314.462618;  // J/(kmol K)
constexpr double kNitrogenWeight = 28.014;    // kg/kmol

std::string Example(const std::string& name) {
    return std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
}

RunResult RunExample(const std::string& name) {
    return ReadCase(ReadCaseText(Example(name)), name)();
}

double Value(const RunResult& run, const std::string& name) {
    for (const ResultValue& value : run.values) {
        if (value.name == name) {
            return value.value;
        }
    }
    ADD_FAILURE() << "no value " << name;
    return 0.0;
}

// Column `column` of the profile table.
std::vector<double> Profile(const RunResult& run, std::size_t column) {
    std::vector<double> values;
    for (const ResultTable& table : run.tables) {
        if (table.name == "profile") {
            for (const std::vector<double>& row : table.rows) {
                values.push_back(row.at(column));
            }
        }
    }
    return values;
}

double NitrogenDensity(double pressure) {
    return pressure * kNitrogenWeight / (kGasConstant * 300.0);
}

void ExpectOutletCarriesTheInlet(const RunResult& run) {
    ASSERT_EQ(run.streams.size(), 2u);
    const StreamSummary& in = run.streams[0].second;
    const StreamSummary& out = run.streams[1].second;
    EXPECT_EQ(out.vapour, in.vapour);
    EXPECT_EQ(out.liquid, in.liquid);
    EXPECT_EQ(out.solid, in.solid);
    EXPECT_NEAR(out.temperature, in.temperature, 1e-9);
}

// 0.25 kg/s of nitrogen with 1 kg/s of sand in 80 mm at 2 bar.
TEST(DiluteConveyingCasesTest, HorizontalLineMatchesAHandCalculation) {
    const RunResult run = RunExample("dilute_horizontal.yaml");
    EXPECT_FALSE(run.fallback);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
    ExpectOutletCarriesTheInlet(run);
    const double drop = Value(run, "pressure drop");
    EXPECT_NEAR(Value(run, "outlet pressure"), 2e5 - drop, 1e-6);
    EXPECT_NEAR(Value(run, "solids loading"), 4.0, 1e-12);
    EXPECT_NEAR(Value(run, "heat duty"), 0.0, 1e-3);  // ideal gas, inert solids

    // Inlet: rho = 2.24621 kg/m3, v = 0.25 / (rho pi 0.08^2 / 4) = 22.142 m/s; Molerus
    // 5 (96.2361 / rho)^0.2 = 10.601 m/s.
    const double rho = NitrogenDensity(2e5);
    const double area = std::numbers::pi * 0.08 * 0.08 / 4.0;
    const double v = 0.25 / (rho * area);
    const std::vector<double> lengths = Profile(run, 0);
    const std::vector<double> pressures = Profile(run, 1);
    ASSERT_EQ(lengths.size(), 11u);
    EXPECT_EQ(lengths.back(), 100.0);
    EXPECT_EQ(pressures.front(), 2e5);
    EXPECT_NEAR(Profile(run, 2).front(), v, v * 1e-9);
    EXPECT_NEAR(Profile(run, 3).front(), 0.75 * v, v * 1e-9);
    EXPECT_NEAR(Profile(run, 4).front(), 5.0 * std::pow(96.2361 / rho, 0.2), 1e-9);
    EXPECT_NEAR(Value(run, "min. difference gas to plugging velocity"),
                v - 5.0 * std::pow(96.2361 / rho, 0.2), 1e-6);

    // First 10 m by hand: acceleration rho v^2 mu c; Blasius gas friction; solids friction
    // mu (c lambdaS* + 2 beta g D / (c v^2)) with Barth's beta for a 0.12 mm grain (the
    // beta term is a few per cent of lambdaS, so the grain size hardly matters).
    const double q = rho * v * v / 2.0;
    const double reynolds = 4.0 * 0.25 / (std::numbers::pi * 0.08 * 1.77e-5);
    const double lambdaF = 0.3164 / std::pow(reynolds, 0.25);
    const double beta = 1.2e-4 * 1.2e-4 * 2650.0 * 9.80665 / (18.0 * 1.77e-5 * v);
    const double lambdaS = 0.75 * 0.015 + 2.0 * beta * 9.80665 * 0.08 / (0.75 * v * v);
    const double first = 2.0 * q * 4.0 * 0.75 + (lambdaF + 4.0 * lambdaS) * q * 10.0 / 0.08;
    EXPECT_NEAR(2e5 - pressures[1], first, first * 0.01);
    // Three elbows after the end of the straight pipe: (0.3 + 0.75 * 4) q each.
    EXPECT_GT(drop, 2e5 - pressures.back());
}

TEST(DiluteConveyingCasesTest, RisingLineWarnsBelowSeglersVelocity) {
    const RunResult run = RunExample("dilute_rising.yaml");
    EXPECT_FALSE(run.fallback);
    ExpectOutletCarriesTheInlet(run);
    // Segler: 19.8 * 0.9^0.129 = 19.533 m/s; the gas enters at 0.3 / (rho A) = 17.005 m/s.
    const double plugging = 19.8 * std::pow(0.9, 0.129);
    const double v = 0.3 / (NitrogenDensity(2e5) * std::numbers::pi * 0.01 / 4.0);
    for (double value : Profile(run, 4)) {
        EXPECT_NEAR(value, plugging, 1e-9);
    }
    ASSERT_EQ(run.messages.size(), 3u);
    char expected[100];
    std::snprintf(expected, sizeof expected,
                  "      FLUID VELOCITY IS BELOW SALTATION VELOCITY AT 0.00 [M]! (V(FLUID)=%.2f",
                  v);
    EXPECT_EQ(run.messages[0].substr(0, std::string(expected).size()), expected);
    EXPECT_NE(run.messages[2].find("PLUGGING OF THE CONVEYING LINE MAY OCCUR."), std::string::npos);
    // The lift of the solids over 20 m of rise alone takes mu rho g h / c of about 1.2 kPa
    // near the inlet per 10 m; the whole drop is well above the gas friction.
    EXPECT_GT(Value(run, "pressure drop"), 0.0);
}

TEST(DiluteConveyingCasesTest, SlowLineIsCalculatedWithAPluggingWarning) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Example("dilute_plugging.yaml")}, out, err), kExitCalculated);
    EXPECT_NE(out.str().find("PLUGGING OF THE CONVEYING LINE MAY OCCUR."), std::string::npos);
    EXPECT_TRUE(err.str().empty());
    const RunResult run = RunExample("dilute_plugging.yaml");
    const double v = 0.1 / (NitrogenDensity(1e5) * std::numbers::pi * 0.01 / 4.0);  // 11.34 m/s
    EXPECT_NEAR(Value(run, "min. difference gas to plugging velocity"), v - 19.8, 1e-6);
}

TEST(DiluteConveyingCasesTest, LowPressureLineEndsInTheFallbackExit) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Example("dilute_low_pressure.yaml")}, out, err), kExitFallback);
    EXPECT_NE(out.str().find("FALLBACK EXIT"), std::string::npos);
    const RunResult run = RunExample("dilute_low_pressure.yaml");
    EXPECT_TRUE(run.fallback);
    ExpectOutletCarriesTheInlet(run);
    EXPECT_EQ(run.streams[1].second.pressure, 95000.0);
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_EQ(run.messages[1], "      CALCULATION OF PRESSURE DROP FAILED.");
    EXPECT_TRUE(std::isnan(Value(run, "pressure drop")));
    ASSERT_FALSE(run.history.empty());
    EXPECT_EQ(run.history.back(),
              "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!");
}

constexpr const char* kFeed = R"(unit: dilute_conveying
components: [N2, SIO2]
stream_class:
  substreams:
    - {id: MIXED, type: MIXED}
    - {id: CISOLID, type: CISOLID, psd_mesh: [5.0e-5, 1.0e-4, 2.0e-4]}
feed:
  temperature: 300.0
  pressure: 100000.0
  substreams:
    MIXED:   {flows: {N2: 0.3}}
    CISOLID: {flows: {SIO2: 0.3}, psd: [0.5, 0.5]}
dilute_conveying:
)";

TEST(DiluteConveyingCasesTest, MalformedLinesAreRefusedWithTheirPlace) {
    const std::string geometry =
        "  tube_diameter: 0.1\n  tube_length: 10.0\n  rise_angle: 0\n"
        "  solids_model: Muschelknautz\n";
    struct Fault {
        std::string lines;
        std::string message;
    };
    const Fault faults[] = {
        {"  tube_diameter: -0.1\n  tube_length: 10.0\n  rise_angle: 0\n  solids_model: Siegel\n",
         "line.yaml:14:18: 'tube_diameter' must be above 0"},
        {"  tube_diameter: .nan\n",
         "line.yaml:14:18: 'tube_diameter' must be a finite number, "
         "not '.nan'"},
        {"  tube_length: 10.0\n  rise_angle: 0\n  solids_model: Siegel\n",
         "line.yaml:14:3: dilute_conveying lacks the key 'tube_diameter'"},
        {"  tube_diameter: 0.1\n  tube_length: 10.0\n  rise_angle: 120\n  solids_model: Siegel\n",
         "line.yaml:16:15: 'rise_angle' must be between -90 and 90 degrees"},
        {"  tube_diameter: 0.1\n  tube_length: 10.0\n  rise_angle: 0\n  solids_model: Thomas\n",
         "line.yaml:17:17: unknown solids_model 'Thomas' (allowed: 'Muschelknautz', 'Siegel')"},
        {geometry + "  elbows: 2\n",
         "line.yaml:14:3: elbows need their loss coefficient "
         "elbow_zeta"},
        {geometry + "  elbows: 1.5\n  elbow_zeta: 0.3\n",
         "line.yaml:18:11: 'elbows' must be a whole number from 0 to 1000"},
        {geometry + "  plugging_model: Wirth\n",
         "line.yaml:18:19: unknown plugging_model 'Wirth' (allowed: 'Rizk (coarse)', "
         "'Muschelknautz (fines)', 'Segler', 'Wirth (coarse)', 'Molerus et al.')"},
        {geometry + "  plugging_model: Wirth (coarse)\n",
         "line.yaml:14:3: the plugging model 'Wirth (coarse)' needs the bulk_porosity"},
        {geometry + "  initial_acceleration: yes\n",
         "line.yaml:18:25: 'initial_acceleration' must be true or false, not 'yes'"},
        {geometry + "  length_adjustment_factor: 0\n",
         "line.yaml:18:29: 'length_adjustment_factor' must be from 0.5 to 1 (1 excluded)"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.lines);
        try {
            ReadCase(std::string(kFeed) + fault.lines, "line.yaml");
            ADD_FAILURE() << "accepted";
        } catch (const CaseFileError& error) {
            EXPECT_EQ(std::string(error.what()), fault.message);
        }
    }
    // An unknown key of the line.
    try {
        ReadCase(std::string(kFeed) + geometry + "  diameter: 0.1\n", "line.yaml");
        ADD_FAILURE() << "accepted";
    } catch (const CaseFileError& error) {
        EXPECT_NE(std::string(error.what()).find("line.yaml:18:3: "), std::string::npos)
            << error.what();
    }

    // The command: exit 2 and nothing on stdout.
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("brixel_dilute_" + std::to_string(::getpid()) + ".yaml");
    std::ofstream(path) << kFeed << "  tube_diameter: 0\n";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", path.string()}, out, err), kExitBadInput);
    EXPECT_TRUE(out.str().empty());
    EXPECT_NE(err.str().find(path.string() + ":14:18: 'tube_diameter' must be above 0"),
              std::string::npos)
        << err.str();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace brixel::cli
