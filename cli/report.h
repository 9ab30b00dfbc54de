#pragma once

#include <string>

#include "cli/case_run.h"

namespace brixel::cli {

// SI unit of an outlet state variable ("temperature change": K).
const char* OutletStateUnit(const std::string& name);

// The whole report of a run: outcome, stream table, specifications, split and loads, cut
// size, grade-efficiency curve, solids PSDs, messages and history. `source` names the case
// file (or the built-in case).
std::string FormatReport(const CaseResult& result, const std::string& source);

}  // namespace brixel::cli
