#include "cli/report.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/report_text.h"
#include "cli/specification_names.h"

namespace brixel::cli {

namespace {

void AppendSpecifications(std::string& out, const SeparatorCase& input) {
    out += "Specifications\n";
    for (std::size_t i = 0; i < input.specifications.size(); ++i) {
        out += Format("  %zu  %-44s %12s\n", i + 1, input.specifications[i].name.c_str(),
                      Format("%.6g", input.specifications[i].value).c_str());
    }
    out += Format("  sharpness %.6g, offset of fines %.6g, classes by %s\n", input.sharpness,
                  input.offset, input.classAttribute.c_str());
    out += "  outlet state:";
    for (std::size_t i = 0; i < input.outletState.size(); ++i) {
        const NamedValue& variable = input.outletState[i];
        out += Format("%s %s %.6g %s", i == 0 ? "" : ",", variable.name.c_str(), variable.value,
                      OutletStateUnit(variable.name));
    }
    out += "\n";
}

void AppendSplit(std::string& out, const CaseResult& result) {
    const SpecificationNames names = SpecificationNamesFor(result.input.liquidIsFluid);
    const bool bySize = result.input.classAttribute == kClassBySize;
    out += "Split\n";
    const auto line = [&out](const std::string& label, const char* unit, double value) {
        out += Format("  %-46s %-6s %12s\n", label.c_str(), unit, Value(value).c_str());
    };
    line(std::string(names.fluidSplit), "", result.fluidSplit);
    line(std::string(names.solidSplit) + ", resolved", "", result.solidSplit);
    line(std::string(names.solidSplit) + ", achieved", "", result.solidSplitAchieved);
    line(std::string(names.solidLoad), "kg/kg", result.solidLoadOfFluid);
    line(std::string(names.fluidLoad), "kg/kg", result.fluidLoadOfSolid);
    line("cut size D50", bySize ? "m" : "m/s", result.d50);
}

void AppendEfficiencyCurve(std::string& out, const CaseResult& result) {
    const bool bySize = result.input.classAttribute == kClassBySize;
    out += "Grade-efficiency curve\n";
    if (result.efficiencyCurve.empty()) {
        out += "  (no classification)\n";
        return;
    }
    out += Format("  %18s %16s\n", bySize ? "class size (m)" : "velocity (m/s)", "efficiency (%)");
    for (const auto& [value, efficiency] : result.efficiencyCurve) {
        out += Format("  %18.6g %16.4f\n", value, efficiency);
    }
}

void AppendStreamCurve(std::string& out, const CaseResult& result) {
    if (result.streamCurve.empty()) {
        return;
    }
    out += "\nGrade-efficiency curve from the streams (inlet class mass in the solid outlet)\n";
    out += Format("  %18s", "class size (m)");
    for (const std::string& id : result.streamCurveSubstreams) {
        out += Format(" %12s", id.c_str());
    }
    out += Format(" %12s\n", "overall");
    for (const std::vector<double>& row : result.streamCurve) {
        out += Format("  %18.6g", row.front());
        for (std::size_t k = 1; k < row.size(); ++k) {
            out += Format(" %12s", std::isnan(row[k]) ? "-" : Format("%.6f", row[k]).c_str());
        }
        out += "\n";
    }
}

void AppendPsds(std::string& out, const CaseResult& result) {
    const std::size_t intervals = result.psdMesh.empty() ? 0 : result.psdMesh.size() - 1;
    if (intervals == 0) {
        return;
    }
    out += "\nSolids PSD (mass fractions)\n";
    out +=
        Format("  %-24s %14s %14s %14s\n", "interval (m)", "INLET", "FLUID OUTLET", "SOLID OUTLET");
    const StreamSummary* streams[] = {&result.inlet, &result.fluidOutlet, &result.solidOutlet};
    for (std::size_t i = 0; i < intervals; ++i) {
        out += Format("  %-24s",
                      Format("%.4g - %.4g", result.psdMesh[i], result.psdMesh[i + 1]).c_str());
        for (const StreamSummary* stream : streams) {
            out += Format(" %14s",
                          i < stream->psd.size() ? Format("%.6f", stream->psd[i]).c_str() : "-");
        }
        out += "\n";
    }
}

}  // namespace

const char* OutletStateUnit(const std::string& name) {
    return name.find("temperature") != std::string::npos ? "K"
           : name.find("pressure") != std::string::npos  ? "Pa"
                                                         : "W";
}

std::string FormatReport(const CaseResult& result, const std::string& source) {
    const SeparatorCase& input = result.input;
    std::string out;
    out += "brixel: " + (input.title.empty() ? std::string("separator case") : input.title) + "\n";
    out += "case: " + source + "\n";
    out += "block " + input.blockId + ": " +
           (input.liquidIsFluid ? "solid/liquid separator (the liquid is the fluid)"
                                : "gas/solid separator (the vapour is the fluid)") +
           "\n\n";
    AppendOutcome(out, result.fallback, result.valid, result.status, result.outcome,
                  "an ideal split");
    AppendStreamTable(out, {{"INLET", result.inlet},
                            {"FLUID OUTLET", result.fluidOutlet},
                            {"SOLID OUTLET", result.solidOutlet}});
    out += "\n";
    AppendSpecifications(out, input);
    out += "\n";
    AppendSplit(out, result);
    out += "\n";
    AppendEfficiencyCurve(out, result);
    AppendStreamCurve(out, result);
    AppendPsds(out, result);
    AppendLines(out, "Messages", result.messages);
    AppendLines(out, "History", result.history);
    return out;
}

}  // namespace brixel::cli
