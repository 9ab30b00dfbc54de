#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/case_kind.h"
#include "cli/figures.h"

namespace brixel::cli {

// One self-contained page: outcome, stream table, settings, values, every table and the
// figures given (SVG text, inlined), messages and history. Nothing is fetched when it is shown.
std::string FormatHtml(const RunResult& result, const std::string& source,
                       const std::vector<std::pair<Figure, std::string>>& svgFigures);

// Text made safe for HTML content and attribute values.
std::string EscapeHtml(const std::string& text);

}  // namespace brixel::cli
