#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/case_kind.h"

namespace brixel::cli {

// Raised whenever the layout of the result document changes in a way a reader would notice.
inline constexpr int kResultSchemaVersion = 1;

// The whole result as one document (the layout is described in the README, "JSON result"):
// outcome, streams with their PSDs, settings, values, tables, messages and history. A value
// the run did not reach is null.
nlohmann::ordered_json ResultDocument(const RunResult& result, const std::string& source);

// The document as text, indented, ending with a newline.
std::string FormatJson(const RunResult& result, const std::string& source);

}  // namespace brixel::cli
