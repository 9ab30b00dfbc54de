#include "cli/output_html.h"

#include <cmath>

#include "brixel/framework/status.h"
#include "cli/report_text.h"
#include "cli/stream_quantities.h"

namespace brixel::cli {

namespace {

constexpr const char* kStyle = R"(
body { font-family: sans-serif; margin: 2em auto; max-width: 60em; color: #222; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 1.5em; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
.outcome { font-weight: bold; }
.fallback { color: #b00; }
figure { margin: 1em 0; } figure svg { max-width: 100%; height: auto; }
pre { background: #f4f4f4; padding: 0.5em; white-space: pre-wrap; }
)";

std::string Cell(double value) {
    return "<td class=\"number\">" + (std::isfinite(value) ? Format("%.6g", value) : "-") + "</td>";
}

void AppendStreams(std::string& out, const RunResult& result) {
    out += "<h2>Streams</h2>\n<table>\n<tr><th></th><th>unit</th>";
    for (const auto& stream : result.streams) {
        out += "<th>" + EscapeHtml(stream.first) + "</th>";
    }
    out += "</tr>\n";
    for (const StreamQuantity& quantity : kStreamQuantities) {
        out += "<tr><th>" + std::string(quantity.name) + "</th><td>" + quantity.unit + "</td>";
        for (const auto& stream : result.streams) {
            out += Cell(quantity.of(stream.second));
        }
        out += "</tr>\n";
    }
    out += "</table>\n";
}

void AppendValues(std::string& out, const char* heading, const std::vector<ResultValue>& values) {
    if (values.empty()) {
        return;
    }
    out += "<h2>" + std::string(heading) + "</h2>\n<table>\n";
    for (const ResultValue& value : values) {
        out += "<tr><th>" + EscapeHtml(value.name) + "</th>" + Cell(value.value) + "<td>" +
               EscapeHtml(value.unit) + "</td></tr>\n";
    }
    out += "</table>\n";
}

void AppendTable(std::string& out, const ResultTable& table) {
    out += "<h2>" + EscapeHtml(table.title) + "</h2>\n";
    if (table.rows.empty()) {
        out += "<p>(none)</p>\n";
        return;
    }
    out += "<table>\n<tr>";
    for (const std::string& column : table.columns) {
        out += "<th>" + EscapeHtml(column) + "</th>";
    }
    out += "</tr>\n";
    for (const std::vector<double>& row : table.rows) {
        out += "<tr>";
        for (const double value : row) {
            out += Cell(value);
        }
        out += "</tr>\n";
    }
    out += "</table>\n";
}

// The figure's own markup from its <svg> element on: the XML prolog has no place in a page.
std::string InlineSvg(const std::string& svg) {
    const std::size_t start = svg.find("<svg");
    return start == std::string::npos ? std::string() : svg.substr(start);
}

void AppendLineBlock(std::string& out, const char* heading, const std::vector<std::string>& lines) {
    out += "<h2>" + std::string(heading) + "</h2>\n<pre>";
    for (const std::string& line : lines) {
        out += EscapeHtml(line) + "\n";
    }
    out += lines.empty() ? "(none)</pre>\n" : "</pre>\n";
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string FormatHtml(const RunResult& result, const std::string& source,
                       const std::vector<std::pair<Figure, std::string>>& svgFigures) {
    const std::string title = result.title.empty() ? result.kind + " case" : result.title;
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>brixel: " + EscapeHtml(title) + "</title>\n<style>" + kStyle +
           "</style>\n</head>\n<body>\n";
    out += "<h1>" + EscapeHtml(title) + "</h1>\n";
    out += "<p>case: " + EscapeHtml(source) + "<br>block " + EscapeHtml(result.block) + ": " +
           EscapeHtml(result.description) + "</p>\n";
    out +=
        Format("<p class=\"outcome%s\">Outcome: %s (status %s, outcome word %lld)</p>\n",
               result.fallback ? " fallback" : "", result.fallback ? "FALLBACK EXIT" : "calculated",
               StatusName(result.status), static_cast<long long>(result.outcome));
    AppendStreams(out, result);
    AppendValues(out, "Settings", result.settings);
    AppendValues(out, "Results", result.values);
    if (!svgFigures.empty()) {
        out += "<h2>Figures</h2>\n";
    }
    for (const auto& [figure, svg] : svgFigures) {
        out +=
            "<figure id=\"" + EscapeHtml(figure.stem) + "\">\n" + InlineSvg(svg) + "\n</figure>\n";
    }
    for (const ResultTable& table : result.tables) {
        AppendTable(out, table);
    }
    AppendLineBlock(out, "Messages", result.messages);
    AppendLineBlock(out, "History", result.history);
    out += "</body>\n</html>\n";
    return out;
}

}  // namespace brixel::cli
