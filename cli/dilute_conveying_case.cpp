#include "cli/dilute_conveying_case.h"

#include "cli/host_values.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/dilute_conveying_unit.h"
#include "cli/feed_host.h"
#include "cli/feed_reader.h"

namespace brixel::cli {

namespace {

constexpr const char* kSection = "dilute_conveying";

// Bounds that keep the march finite: at most about 10^5 segments along the line.
constexpr double kLongestLine = 10000.0;     // m
constexpr double kShortestMaxSegment = 0.1;  // m
constexpr double kSmallestAdjustment = 0.5;
constexpr double kMostIterations = 10000.0;
constexpr double kMostElbows = 1000.0;
constexpr double kMostIntervals = 10000.0;

const std::vector<std::string_view> kSolidsModels = {"Muschelknautz", "Siegel"};
const std::vector<std::string_view> kFluidModels = {"Blasius", "estimation"};
const std::vector<std::string_view> kWallFrictionModels = {"Barth", "Muschelknautz", "estimation"};
const std::vector<std::string_view> kSolidsFrictionModels = {"Muschelknautz", "estimation"};
const std::vector<std::string_view> kPluggingModels = {
    "Rizk (coarse)", "Muschelknautz (fines)", "Segler", "Wirth (coarse)", "Molerus et al."};

// A number within [low, high]; an open end is excluded when `open` says so.
struct Range {
    double low;
    double high;
    bool lowOpen;
    bool highOpen;
    const char* text;  // "above 0", "between 0 and 1", ...
};
constexpr double kHuge = std::numeric_limits<double>::max();
constexpr Range kPositive{0.0, kHuge, true, false, "above 0"};
constexpr Range kNotNegative{0.0, kHuge, false, false, "0 or above"};
constexpr Range kFraction{0.0, 1.0, false, false, "between 0 and 1"};

double ReadNumber(const YamlReader& in, const YAML::Node& node, const std::string& key,
                  const Range& range) {
    const double value = in.Number(node, Quoted(key));
    const bool below = range.lowOpen ? !(value > range.low) : !(value >= range.low);
    const bool above = range.highOpen ? !(value < range.high) : !(value <= range.high);
    if (below || above) {
        in.Fail(node, Quoted(key) + " must be " + range.text);
    }
    return value;
}

int ReadCount(const YamlReader& in, const YAML::Node& node, const std::string& key, double low,
              double high) {
    const double value = in.Number(node, Quoted(key));
    if (value != std::floor(value) || value < low || value > high) {
        in.Fail(node, Quoted(key) + " must be a whole number from " +
                          std::to_string(static_cast<int>(low)) + " to " +
                          std::to_string(static_cast<int>(high)));
    }
    return static_cast<int>(value);
}

std::string ReadName(const YamlReader& in, const YAML::Node& node, const std::string& key,
                     const std::vector<std::string_view>& allowed) {
    const std::string name = in.Text(node, Quoted(key));
    for (std::string_view known : allowed) {
        if (name == known) {
            return name;
        }
    }
    in.Fail(node,
            "unknown " + key + " " + Quoted(name) + " (allowed: " + JoinQuoted(allowed) + ")");
}

bool ReadSwitch(const YamlReader& in, const YAML::Node& node, const std::string& key) {
    const std::string text = in.Text(node, Quoted(key));
    if (text != "true" && text != "false") {
        in.Fail(node, Quoted(key) + " must be true or false, not " + Quoted(text));
    }
    return text == "true";
}

void ReadLine(const YamlReader& in, const YAML::Node& node, DiluteConveyingCase& c) {
    in.CheckMap(node, kSection,
                {"tube_diameter",
                 "tube_length",
                 "rise_angle",
                 "elbows",
                 "elbow_zeta",
                 "solids_model",
                 "fluid_model",
                 "wall_friction_model",
                 "solids_friction_model",
                 "plugging_model",
                 "initial_acceleration",
                 "particle_diameter",
                 "fluid_friction",
                 "solids_friction",
                 "impact_friction",
                 "wall_friction",
                 "cluster_friction",
                 "bottom_fraction",
                 "siegel_friction",
                 "velocity_ratio",
                 "bulk_porosity",
                 "max_relative_pressure_difference",
                 "length_adjustment_factor",
                 "low_pressure_threshold",
                 "max_segment_length",
                 "max_iterations",
                 "profile_intervals"});
    const auto required = [&](const char* key) { return in.Required(node, key, kSection); };
    c.tubeDiameter = ReadNumber(in, required("tube_diameter"), "tube_diameter", kPositive);
    c.tubeLength = ReadNumber(in, required("tube_length"), "tube_length",
                              {0.0, kLongestLine, true, false, "above 0 and at most 10000 m"});
    c.riseAngleDegrees = ReadNumber(in, required("rise_angle"), "rise_angle",
                                    {-90.0, 90.0, false, false, "between -90 and 90 degrees"});
    c.solidsModel = ReadName(in, required("solids_model"), "solids_model", kSolidsModels);
    if (const YAML::Node elbows = node["elbows"]) {
        c.elbows = ReadCount(in, elbows, "elbows", 0.0, kMostElbows);
    }
    if (const YAML::Node zeta = node["elbow_zeta"]) {
        c.elbowZeta = ReadNumber(in, zeta, "elbow_zeta", kNotNegative);
    } else if (c.elbows > 0) {
        in.Fail(node, "elbows need their loss coefficient elbow_zeta");
    }

    const std::pair<const char*,
                    std::pair<std::optional<std::string>*, const std::vector<std::string_view>*>>
        names[] = {
            {"fluid_model", {&c.fluidModel, &kFluidModels}},
            {"wall_friction_model", {&c.wallFrictionModel, &kWallFrictionModels}},
            {"solids_friction_model", {&c.solidsFrictionModel, &kSolidsFrictionModels}},
            {"plugging_model", {&c.pluggingModel, &kPluggingModels}},
        };
    for (const auto& [key, target] : names) {
        if (const YAML::Node name = node[key]) {
            *target.first = ReadName(in, name, key, *target.second);
        }
    }
    if (const YAML::Node acceleration = node["initial_acceleration"]) {
        c.initialAcceleration = ReadSwitch(in, acceleration, "initial_acceleration");
    }

    const std::pair<const char*, std::pair<std::optional<double>*, Range>> numbers[] = {
        {"particle_diameter", {&c.particleDiameter, kPositive}},
        {"fluid_friction", {&c.fluidFriction, kNotNegative}},
        {"solids_friction", {&c.solidsFriction, kNotNegative}},
        {"impact_friction", {&c.impactFriction, kFraction}},
        {"wall_friction", {&c.wallFriction, kNotNegative}},
        {"cluster_friction", {&c.clusterFriction, kNotNegative}},
        {"bottom_fraction", {&c.bottomFraction, kFraction}},
        {"siegel_friction", {&c.siegelFriction, kNotNegative}},
        {"velocity_ratio", {&c.velocityRatio, {0.0, 1.0, true, false, "above 0 and at most 1"}}},
        {"bulk_porosity",
         {&c.bulkPorosity,
          {0.0, 1.0, true, true,
           "between 0 and 1 (both "
           "excluded)"}}},
        {"max_relative_pressure_difference",
         {&c.maxRelativePressureDifference, {0.0, 1.0, true, false, "above 0 and at most 1"}}},
        {"length_adjustment_factor",
         {&c.lengthAdjustmentFactor,
          {kSmallestAdjustment, 1.0, false, true, "from 0.5 to 1 (1 excluded)"}}},
        {"low_pressure_threshold", {&c.lowPressureThreshold, kNotNegative}},
        {"max_segment_length",
         {&c.maxSegmentLength, {kShortestMaxSegment, kHuge, false, false, "0.1 m or above"}}},
    };
    for (const auto& [key, target] : numbers) {
        if (const YAML::Node value = node[key]) {
            *target.first = ReadNumber(in, value, key, target.second);
        }
    }
    if (const YAML::Node iterations = node["max_iterations"]) {
        c.maxIterations = ReadCount(in, iterations, "max_iterations", 1.0, kMostIterations);
    }
    if (const YAML::Node intervals = node["profile_intervals"]) {
        c.profileIntervals = ReadCount(in, intervals, "profile_intervals", 1.0, kMostIntervals);
    }
    if (c.pluggingModel == "Wirth (coarse)" && !c.bulkPorosity) {
        in.Fail(node, "the plugging model 'Wirth (coarse)' needs the bulk_porosity");
    }
}

void Configure(const DiluteConveyingCase& c, CDilutePhaseConveying& line) {
    line.SetTubeDiameter(c.tubeDiameter);
    line.SetTubeLength(c.tubeLength);
    line.SetRiseAngle(c.riseAngleDegrees * std::numbers::pi / 180.0);
    line.SetNumberOfCurves(c.elbows);
    if (c.elbowZeta) {
        line.SetPressureDropCoefCurves(*c.elbowZeta);
    }
    line.SetSolidsPressureDropModel(CString(c.solidsModel));
    if (c.fluidModel) {
        line.SetFluidPressureDropModel(CString(*c.fluidModel));
    }
    if (c.wallFrictionModel) {
        line.SetWallFrictionModel(CString(*c.wallFrictionModel));
    }
    if (c.solidsFrictionModel) {
        line.SetMuschelknautzSolidsFrictionModel(CString(*c.solidsFrictionModel));
    }
    if (c.pluggingModel) {
        line.SetPluggingLimitModel(CString(*c.pluggingModel));
    }
    if (c.initialAcceleration) {
        line.SetConsiderInitialAccelerationMode(*c.initialAcceleration);
    }
    if (c.particleDiameter) {
        line.SetUseUserDefParticleDiamMode(true);
        line.SetUserDefParticleDiameter(*c.particleDiameter);
    }
    const std::pair<const std::optional<double>*, void (CDilutePhaseConveying::*)(double)>
        setters[] = {
            {&c.fluidFriction, &CDilutePhaseConveying::SetFluidFrictionParameter},
            {&c.solidsFriction, &CDilutePhaseConveying::SetUserLambdaS_Muschelknautz},
            {&c.impactFriction, &CDilutePhaseConveying::SetMuschelknautzLambda_S_Star},
            {&c.wallFriction, &CDilutePhaseConveying::SetUserDefinedWallFrictionParameter},
            {&c.clusterFriction,
             &CDilutePhaseConveying::SetFrictionParameterSolidClusterAndTubeWall},
            {&c.bottomFraction, &CDilutePhaseConveying::SetSolidFractionOnTubeBottom},
            {&c.siegelFriction, &CDilutePhaseConveying::SetLambdaSSiegel},
            {&c.velocityRatio, &CDilutePhaseConveying::SetVelocityRatio},
            {&c.bulkPorosity, &CDilutePhaseConveying::SetBulkPorosity},
            {&c.maxRelativePressureDifference, &CDilutePhaseConveying::SetMaxRelPressureDifference},
            {&c.lengthAdjustmentFactor, &CDilutePhaseConveying::SetLenghtAdjustemtFactor},
            {&c.lowPressureThreshold, &CDilutePhaseConveying::SetLowPressureThreshold},
            {&c.maxSegmentLength, &CDilutePhaseConveying::SetMaxSegmentLength},
        };
    for (const auto& [value, setter] : setters) {
        if (*value) {
            (line.*setter)(**value);
        }
    }
    if (c.maxIterations) {
        line.SetMaxIt(*c.maxIterations);
    }
}

// NaN for a result the calculation did not get to.
double Reached(double value) {
    return IsReached(value) ? value : std::numeric_limits<double>::quiet_NaN();
}

ResultTable ProfileTable(const CDilutePhaseConveying& line) {
    ResultTable table{
        "profile",
        "Profiles along the line (before the elbows)",
        {"length / m", "pressure / Pa", "gas velocity / (m/s)", "solids velocity / (m/s)",
         "plugging velocity / (m/s)", "gas density / (kg/m3)", "gas viscosity / (Pa s)"},
        {}};
    const CComSafeArray<double> columns[] = {
        line.GetLenghtProfile(),        line.GetPressureProfile(),
        line.GetVaporVelocityProfile(), line.GetSolidsVelocityProfile(),
        line.GetPluggingLimitProfile(), line.GetVaporDensityProfile(),
        line.GetViscosityProfile()};
    const uint32_t rows = columns[0].GetCount();
    for (uint32_t i = 0; i < rows; ++i) {
        std::vector<double> row;
        for (const CComSafeArray<double>& column : columns) {
            row.push_back(i < column.GetCount() ? column[static_cast<long>(i)]
                                                : std::numeric_limits<double>::quiet_NaN());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace

DiluteConveyingCase ReadDiluteConveyingCase(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file", RootKeys({kSection}));
    DiluteConveyingCase result;
    result.blockId = "LINE";
    ReadFeedCase(reader, root, result);
    ReadLine(reader, reader.Required(root, kSection, "the case file"), result);
    return result;
}

RunResult RunDiluteConveyingCase(const DiluteConveyingCase& input) {
    RunResult run =
        StartRun(kSection, input.title, "dilute-phase conveying case", input.blockId,
                 "dilute-phase pneumatic conveying line (" + input.solidsModel + " model)");
    host::SubstituteHost simulator;
    const FeedStreams streams = BuildFeed(simulator, input, 1);
    {
        DiluteConveyingUnit unit;
        BindUnit(unit, *streams.block);
        unit.Initialize();
        Configure(input, unit.GetLine());
        unit.SetProfileIntervals(input.profileIntervals);
        FlashFeed(unit, input, streams.feed);

        const BlockOutcome outcome = RunBlock(unit, *streams.block);
        run.valid = outcome.valid;
        run.status = outcome.status;
        run.fallback = outcome.fallback;
        run.outcome = outcome.outcome;

        std::vector<double> mesh;
        run.streams = {{"INLET", Summarize(unit, streams.feed, &mesh)},
                       {"OUTLET", Summarize(unit, streams.outlets[0], &mesh)}};
        const CDilutePhaseConveying& line = unit.GetLine();
        run.values = {
            {"pressure drop", Reached(line.GetCalculatedPressureDrop()), "Pa"},
            {"outlet pressure", run.streams[1].second.pressure, "Pa"},
            {"solids loading", Reached(line.GetCalculatedSolidsLoading()), "kg/kg"},
            {"heat duty", Reached(line.GetCalculatedHeatDuty()), "W"},
            {"min. difference gas to plugging velocity",
             Reached(line.GetMinDifferenceVgasToVsaltation()), "m/s"},
        };
        run.tables.push_back(ProfileTable(line));
    }
    run.messages = simulator.PrintedLines();
    run.history = simulator.HistoryLines();
    return run;
}

CaseRunner ReadDiluteConveyingKind(const YamlReader& reader, const YAML::Node& root) {
    DiluteConveyingCase input = ReadDiluteConveyingCase(reader, root);
    return [input = std::move(input)] { return RunDiluteConveyingCase(input); };
}

}  // namespace brixel::cli
