#pragma once

#include <string>

#include "cli/case_kind.h"

namespace brixel::cli {

// The text report of any case kind: outcome, streams, results, tables, messages and history.
// `source` names the case file (or the built-in case).
std::string FormatRunReport(const RunResult& result, const std::string& source);

}  // namespace brixel::cli
