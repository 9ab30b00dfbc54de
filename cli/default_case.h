#pragma once

#include <string_view>

namespace brixel::cli {

// The built-in default case in case-file form: a gas cyclone taking limestone dust out of
// humid air. It goes through the same reader as any case file.
std::string_view DefaultCaseText();

inline constexpr std::string_view kDefaultCaseName = "built-in default case";

}  // namespace brixel::cli
