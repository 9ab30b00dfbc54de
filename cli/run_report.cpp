#include "cli/run_report.h"

#include <algorithm>
#include <cmath>

#include "cli/report_text.h"

namespace brixel::cli {

namespace {

void AppendValues(std::string& out, const std::vector<ResultValue>& values) {
    if (values.empty()) {
        return;
    }
    out += "\nResults\n";
    for (const ResultValue& value : values) {
        out += Format("  %-46s %-6s %12s\n", value.name.c_str(), value.unit.c_str(),
                      Flow(value.value).c_str());
    }
}

void AppendTable(std::string& out, const ResultTable& table) {
    out += "\n" + table.title + "\n";
    if (table.rows.empty()) {
        out += "  (none)\n";
        return;
    }
    std::size_t width = 12;
    for (const std::string& column : table.columns) {
        width = std::max(width, column.size());
    }
    out += " ";
    for (const std::string& column : table.columns) {
        out += " " + std::string(width - column.size(), ' ') + column;
    }
    out += "\n";
    for (const std::vector<double>& row : table.rows) {
        out += " ";
        for (const double cell : row) {
            const std::string text = std::isnan(cell) ? "-" : Format("%.6g", cell);
            out += " " + std::string(width - std::min(width, text.size()), ' ') + text;
        }
        out += "\n";
    }
}

}  // namespace

std::string FormatRunReport(const RunResult& result, const std::string& source) {
    if (result.ownTextReport) {
        return result.ownTextReport(source);
    }
    std::string out;
    out += "brixel: " + (result.title.empty() ? result.kind + " case" : result.title) + "\n";
    out += "case: " + source + "\n";
    out += "block " + result.block + ": " + result.description + "\n\n";
    AppendOutcome(out, result.fallback, result.valid, result.status, result.outcome);
    if (!result.streams.empty()) {
        AppendStreamTable(out, result.streams);
    }
    AppendValues(out, result.values);
    for (const ResultTable& table : result.tables) {
        AppendTable(out, table);
    }
    AppendLines(out, "Messages", result.messages);
    AppendLines(out, "History", result.history);
    return out;
}

}  // namespace brixel::cli
