#include "cli/separator_kind.h"

#include <limits>

#include "cli/case_file.h"
#include "cli/host_values.h"
#include "cli/report.h"
#include "cli/specification_names.h"

namespace brixel::cli {

namespace {

// The separator keeps the host's missing value, or -1, for results it did not get to.
double Reached(double value) {
    return value >= kHostMissing || value < 0.0 ? std::numeric_limits<double>::quiet_NaN() : value;
}

ResultTable PsdTable(const CaseResult& result) {
    ResultTable table{
        "psd",
        "Solids PSD (mass fractions)",
        {"lower size / m", "upper size / m", "INLET / -", "FLUID OUTLET / -", "SOLID OUTLET / -"},
        {}};
    const StreamSummary* streams[] = {&result.inlet, &result.fluidOutlet, &result.solidOutlet};
    for (std::size_t i = 0; i + 1 < result.psdMesh.size(); ++i) {
        std::vector<double> row = {result.psdMesh[i], result.psdMesh[i + 1]};
        for (const StreamSummary* stream : streams) {
            row.push_back(i < stream->psd.size() ? stream->psd[i]
                                                 : std::numeric_limits<double>::quiet_NaN());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace

CaseRunner ReadSeparatorKind(const YamlReader& reader, const YAML::Node& root) {
    SeparatorCase input = ReadSeparatorCase(reader, root);
    return [input = std::move(input)] { return SeparatorRunResult(RunSeparatorCase(input)); };
}

RunResult SeparatorRunResult(const CaseResult& result) {
    const SeparatorCase& input = result.input;
    const SpecificationNames names = SpecificationNamesFor(input.liquidIsFluid);
    const bool bySize = input.classAttribute == kClassBySize;
    RunResult run =
        StartRun("separator", input.title, "separator case", input.blockId,
                 input.liquidIsFluid ? "solid/liquid separator (the liquid is the fluid)"
                                     : "gas/solid separator (the vapour is the fluid)");
    run.streams = {{"INLET", result.inlet},
                   {"FLUID OUTLET", result.fluidOutlet},
                   {"SOLID OUTLET", result.solidOutlet}};
    run.values = {
        {names.fluidSplit, Reached(result.fluidSplit), ""},
        {names.solidSplit + ", resolved", Reached(result.solidSplit), ""},
        {names.solidSplit + ", achieved", Reached(result.solidSplitAchieved), ""},
        {names.solidLoad, Reached(result.solidLoadOfFluid), "kg/kg"},
        {names.fluidLoad, Reached(result.fluidLoadOfSolid), "kg/kg"},
        {"cut size D50", Reached(result.d50), bySize ? "m" : "m/s"},
    };
    for (const NamedValue& specification : input.specifications) {
        run.settings.push_back({specification.name, specification.value, ""});
    }
    run.settings.push_back({"sharpness", input.sharpness, ""});
    run.settings.push_back({"offset of fines", input.offset, ""});
    for (const NamedValue& variable : input.outletState) {
        run.settings.push_back(
            {"outlet " + variable.name, variable.value, OutletStateUnit(variable.name)});
    }
    ResultTable curve{"efficiency",
                      "Grade-efficiency curve",
                      {bySize ? "class size / m" : "settling velocity / (m/s)", "efficiency / %"},
                      {}};
    for (const auto& [value, efficiency] : result.efficiencyCurve) {
        curve.rows.push_back({value, efficiency});
    }
    run.tables.push_back(std::move(curve));
    if (!result.streamCurve.empty()) {
        ResultTable streams{"stream_efficiency",
                            "Grade-efficiency curve from the streams (fraction of the inlet's "
                            "class mass in the solid outlet)",
                            {"class size / m"},
                            result.streamCurve};
        for (const std::string& id : result.streamCurveSubstreams) {
            streams.columns.push_back(id + " / -");
        }
        streams.columns.push_back("overall / -");
        run.tables.push_back(std::move(streams));
    }
    if (result.psdMesh.size() > 1) {
        run.tables.push_back(PsdTable(result));
    }
    run.messages = result.messages;
    run.history = result.history;
    run.valid = result.valid;
    run.status = result.status;
    run.fallback = result.fallback;
    run.outcome = result.outcome;
    run.ownTextReport = [result](const std::string& source) {
        return FormatReport(result, source);
    };
    return run;
}

}  // namespace brixel::cli
