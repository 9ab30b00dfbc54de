#include "cli/dense_conveying_case.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/dense_conveying_unit.h"
#include "cli/feed_host.h"
#include "cli/feed_reader.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

constexpr const char* kSection = "dense_conveying";
constexpr double kHalfPi = 1.5707963267948966;  // a tube rises at most vertically
constexpr int kMostIterations = 1000000;
constexpr int kMostProfileIntervals = 100000;

enum class Range { kPositive, kNotNegative, kOpenFraction, kSphericity, kAngle };

double ReadChecked(const YamlReader& in, const YAML::Node& node, const std::string& key,
                   Range range, const std::string& unit = "") {
    const double value = in.Number(node, key);
    const std::string units = unit.empty() ? "" : " (" + unit + ")";
    switch (range) {
        case Range::kPositive:
            if (!(value > 0.0)) {
                in.Fail(node, key + " must be above 0" + units);
            }
            break;
        case Range::kNotNegative:
            if (value < 0.0) {
                in.Fail(node, key + " must not be negative" + units);
            }
            break;
        case Range::kOpenFraction:
            if (!(value > 0.0 && value < 1.0)) {
                in.Fail(node, key + " must lie between 0 and 1 (both excluded)");
            }
            break;
        case Range::kSphericity:
            if (!(value > 0.0 && value <= 1.0)) {
                in.Fail(node, key + " must lie above 0 and at most 1");
            }
            break;
        case Range::kAngle:
            if (std::fabs(value) > kHalfPi) {
                in.Fail(node, key +
                                  " is in rad and must lie between -1.5708 and 1.5708 (0 "
                                  "horizontal, 1.5708 vertical)");
            }
            break;
    }
    return value;
}

int ReadCount(const YamlReader& in, const YAML::Node& node, const std::string& key, int lowest,
              int highest) {
    const double value = in.Number(node, key);
    if (value != std::floor(value) || value < lowest || value > highest) {
        in.Fail(node, key + " must be a whole number from " + std::to_string(lowest) + " to " +
                          std::to_string(highest));
    }
    return static_cast<int>(value);
}

void ReadLine(const YamlReader& in, const YAML::Node& node, DenseConveyingCase& result) {
    in.CheckMap(node, kSection,
                {"tube_diameter", "tube_length", "rise_angle", "bend_length", "bulk_density",
                 "voidage", "sphericity", "particle_diameter", "stress_transmission",
                 "wall_friction", "characteristic_velocity", "max_iterations", "gradient_tolerance",
                 "velocity_tolerance", "min_outlet_pressure", "profile_intervals"});
    const auto required = [&](const char* key, Range range, const char* unit) {
        return ReadChecked(in, in.Required(node, key, kSection), key, range, unit);
    };
    const auto optional = [&](const char* key, Range range, const char* unit, auto& field) {
        if (const YAML::Node value = node[key]) {
            field = ReadChecked(in, value, key, range, unit);
        }
    };
    result.tubeDiameter = required("tube_diameter", Range::kPositive, "m");
    result.tubeLength = required("tube_length", Range::kPositive, "m");
    optional("rise_angle", Range::kAngle, "rad", result.riseAngle);
    optional("bend_length", Range::kNotNegative, "m", result.bendLength);
    optional("bulk_density", Range::kPositive, "kg/m3", result.bulkDensity);
    optional("voidage", Range::kOpenFraction, "", result.voidage);
    if (result.bulkDensity.has_value() == result.voidage.has_value()) {
        in.Fail(result.voidage ? node["voidage"] : node,
                "give the slug's bulk_density (kg/m3) or its voidage, one of the two");
    }
    optional("sphericity", Range::kSphericity, "", result.sphericity);
    optional("particle_diameter", Range::kPositive, "m", result.particleDiameter);
    result.stressTransmission = required("stress_transmission", Range::kPositive, "");
    result.wallFriction = required("wall_friction", Range::kPositive, "");
    optional("characteristic_velocity", Range::kPositive, "m/s", result.characteristicVelocity);
    if (const YAML::Node value = node["max_iterations"]) {
        result.maxIterations = ReadCount(in, value, "max_iterations", 1, kMostIterations);
    }
    optional("gradient_tolerance", Range::kNotNegative, "", result.gradientTolerance);
    optional("velocity_tolerance", Range::kNotNegative, "", result.velocityTolerance);
    optional("min_outlet_pressure", Range::kNotNegative, "Pa", result.minOutletPressure);
    if (const YAML::Node value = node["profile_intervals"]) {
        result.profileIntervals =
            ReadCount(in, value, "profile_intervals", 0, kMostProfileIntervals);
    }
}

void Configure(const DenseConveyingCase& input, DenseConveyingUnit& unit) {
    CDensePhaseConveying& line = unit.GetConveying();
    line.SetTubeDiameter(input.tubeDiameter);
    line.SetTubeLength(input.tubeLength);
    line.SetRiseAngle(input.riseAngle);
    line.SetFictiveLenght(input.bendLength);
    if (input.bulkDensity) {
        line.SetBulkDensity(*input.bulkDensity);
    }
    if (input.voidage) {
        line.SetVoidage(*input.voidage);
    }
    line.SetSphericity(input.sphericity);
    line.SetUseUserDefParticleDiamMode(input.particleDiameter.has_value());
    if (input.particleDiameter) {
        line.SetUserDefParticleDiameter(*input.particleDiameter);
    }
    line.SetStressTransCoef(input.stressTransmission);
    line.SetParticelWallFriction(input.wallFriction);
    line.SetUseUserDefCharacViscosityParameter(input.characteristicVelocity.has_value());
    if (input.characteristicVelocity) {
        line.SetCharacViscosityParameter(*input.characteristicVelocity);
    }
    line.SetMaxIt(input.maxIterations);
    line.SetVelocityTolerance(input.gradientTolerance);  // the crossed setter names
    line.SetPressureTolerance(input.velocityTolerance);
    line.SetLowPressureThreshold(input.minOutletPressure);
    unit.SetProfileIntervals(input.profileIntervals);
}

// NaN for a result the calculation did not reach (the host's missing value).
double Reached(double value) {
    return value >= CBrixelBaseUnit::m_dblRMiss ? std::numeric_limits<double>::quiet_NaN() : value;
}

std::vector<ResultValue> ValuesOf(const DenseConveyingCase& input, const DenseConveyingUnit& unit,
                                  bool calculated) {
    const CDensePhaseConveying& line = unit.GetConveying();
    // A drop the line does not have (no bends, no rise) entered the total as 0.
    const auto part = [calculated](double value) {
        const double reached = Reached(value);
        return calculated && std::isnan(reached) ? 0.0 : reached;
    };
    const double characteristic = input.characteristicVelocity
                                      ? *input.characteristicVelocity
                                      : Reached(line.GetCalcCharacViscParameter());
    return {
        {"particle diameter", Reached(line.GetParticleDiameter()), "m"},
        {"bulk density of the slugs", Reached(line.GetBulkDensity()), "kg/m3"},
        {"solids loading", Reached(line.GetSolidsLoading()), "kg/kg"},
        {"inlet gas velocity", Reached(line.GetInletGasVelocity()), "m/s"},
        {"characteristic velocity", characteristic, "m/s"},
        {"slug velocity", Reached(line.GetSlugVelocity()), "m/s"},
        {"total slug length", Reached(line.GetTotSlugLength()), "m"},
        {"friction pressure drop", part(line.GetFrictionPressureDrop()), "Pa"},
        {"bend pressure drop", part(line.GetCurvePressureDrop()), "Pa"},
        {"lift pressure drop", part(line.GetPressureDropLift()), "Pa"},
        {"total pressure drop", Reached(line.GetTotCalcPressureDrop()), "Pa"},
        {"heat duty", Reached(line.GetCalculatedHeatDuty()), "W"},
    };
}

ResultTable ProfileOf(const CDensePhaseConveying& line) {
    ResultTable table{
        "profile", "Pressure profile (tube and bend length)", {"length / m", "pressure / Pa"}, {}};
    const CComSafeArray<double> lengths = line.GetLenghtProfile();
    const CComSafeArray<double> pressures = line.GetPressureProfile();
    for (uint32_t k = 0; k < lengths.GetCount() && k < pressures.GetCount(); ++k) {
        table.rows.push_back({lengths[static_cast<long>(k)], pressures[static_cast<long>(k)]});
    }
    return table;
}

}  // namespace

DenseConveyingCase ReadDenseConveyingCase(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file", RootKeys({kSection}));
    DenseConveyingCase result;
    ReadFeedCase(reader, root, result);
    ReadLine(reader, reader.Required(root, kSection, "the case file"), result);
    return result;
}

CaseRunner ReadDenseConveyingKind(const YamlReader& reader, const YAML::Node& root) {
    DenseConveyingCase input = ReadDenseConveyingCase(reader, root);
    return [input = std::move(input)] { return RunDenseConveyingCase(input); };
}

RunResult RunDenseConveyingCase(const DenseConveyingCase& input) {
    RunResult run = StartRun(kSection, input.title, "dense-phase conveying case", input.blockId,
                             "dense-phase (slug-flow) pneumatic conveying line");
    host::SubstituteHost simulator;
    const FeedStreams streams = BuildFeed(simulator, input, 1);
    {
        DenseConveyingUnit unit;
        BindUnit(unit, *streams.block);
        unit.Initialize();
        Configure(input, unit);
        FlashFeed(unit, input, streams.feed);

        const BlockOutcome calculation = RunBlock(unit, *streams.block);
        run.valid = calculation.valid;
        run.status = calculation.status;
        run.fallback = calculation.fallback;
        run.outcome = streams.block->statusBlock[records::kStatusOutcome];

        std::vector<double> mesh;
        run.streams = {{"INLET", Summarize(unit, streams.feed, &mesh)},
                       {"OUTLET", Summarize(unit, streams.outlets.at(0), &mesh)}};
        run.values = ValuesOf(input, unit, !run.fallback);
        run.tables.push_back(ProfileOf(unit.GetConveying()));
    }
    run.messages = simulator.PrintedLines();
    run.history = simulator.HistoryLines();
    return run;
}

}  // namespace brixel::cli
