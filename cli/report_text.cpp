#include "cli/report_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/host_values.h"
#include "cli/stream_quantities.h"

namespace brixel::cli {

namespace {}  // namespace

std::string Format(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Value(double value) {
    if (std::isnan(value) || value >= kHostMissing || value < 0.0) {
        return "-";
    }
    return Format("%.6g", value);
}

std::string Flow(double value) {
    if (std::isnan(value) || value >= kHostMissing) {
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
    for (const StreamQuantity& quantity : kStreamQuantities) {
        out += Format("  %-18s %-5s", quantity.name, quantity.unit);
        for (const auto& stream : streams) {
            out += Format(" %14s", Flow(quantity.of(stream.second)).c_str());
        }
        out += "\n";
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
