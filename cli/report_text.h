#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/feed_host.h"

namespace brixel::cli {

// Pieces every text report is built from.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "-" for a value that is missing, unresolved or could not be read (NaN, the host's missing
// value, negative); otherwise %.6g.
std::string Value(double value);
// Like Value, but stream states may be negative by rounding.
std::string Flow(double value);

// "Outcome: ..." and a blank line; `fallbackOutlets` says what the outlets hold after a
// fallback exit.
void AppendOutcome(std::string& out, bool fallback, bool valid, long status, int64_t outcome,
                   const char* fallbackOutlets = "fallback mode");
// Vapour, liquid, solids, total, T and P of each stream, one column a stream.
void AppendStreamTable(std::string& out,
                       const std::vector<std::pair<std::string, StreamSummary>>& streams);
// A titled list of lines, "(none)" when empty.
void AppendLines(std::string& out, const char* title, const std::vector<std::string>& lines);

}  // namespace brixel::cli
