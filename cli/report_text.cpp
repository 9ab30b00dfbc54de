#include "cli/report_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"

namespace brixel::cli {

namespace {

constexpr double kMissing = 1e35;  // the host's missing value

}  // namespace

std::string Format(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Value(double value) {
    if (std::isnan(value) || value >= kMissing || value < 0.0) {
        return "-";
    }
    return Format("%.6g", value);
}

std::string Flow(double value) {
    if (std::isnan(value) || value >= kMissing) {
        return "-";
    }
    return Format("%.6g", value);
}

void AppendOutcome(std::string& out, bool fallback, bool valid, long status, int64_t outcome,
                   const char* fallbackOutlets) {
    if (fallback) {
        out += Format(
            "Outcome: FALLBACK EXIT, outlets set to %s (%s, status %s, "
            "outcome word %lld)\n\n",
            fallbackOutlets, valid ? "calculation failed" : "validation failed", StatusName(status),
            static_cast<long long>(outcome));
    } else {
        out += Format("Outcome: calculated (status %s, outcome word %lld%s)\n\n",
                      StatusName(status), static_cast<long long>(outcome),
                      outcome == records::kOutcomeWarning ? ", warnings" : "");
    }
}

void AppendStreamTable(std::string& out,
                       const std::vector<std::pair<std::string, StreamSummary>>& streams) {
    out += Format("%-26s", "Streams");
    for (const auto& stream : streams) {
        out += Format(" %14s", stream.first.c_str());
    }
    out += "\n";
    struct Row {
        const char* label;
        const char* unit;
        double StreamSummary::*field;
    };
    for (const Row& row : {Row{"vapour", "kg/s", &StreamSummary::vapour},
                           Row{"liquid", "kg/s", &StreamSummary::liquid},
                           Row{"solids", "kg/s", &StreamSummary::solid},
                           Row{"temperature", "K", &StreamSummary::temperature},
                           Row{"pressure", "Pa", &StreamSummary::pressure}}) {
        out += Format("  %-18s %-5s", row.label, row.unit);
        for (const auto& stream : streams) {
            out += Format(" %14s", Flow(stream.second.*row.field).c_str());
        }
        out += "\n";
        if (row.field == &StreamSummary::solid) {
            out += Format("  %-18s %-5s", "total", "kg/s");
            for (const auto& stream : streams) {
                const StreamSummary& s = stream.second;
                out += Format(" %14s", Flow(s.vapour + s.liquid + s.solid).c_str());
            }
            out += "\n";
        }
    }
}

void AppendLines(std::string& out, const char* title, const std::vector<std::string>& lines) {
    out += Format("\n%s\n", title);
    if (lines.empty()) {
        out += "  (none)\n";
    }
    for (const std::string& text : lines) {
        out += text.empty() ? "\n" : "  " + text + "\n";
    }
}

}  // namespace brixel::cli
