#pragma once

#include <string>

namespace brixel::cli {

// No case needs more than a few levels of lists and maps; the YAML library recurses through
// every level and reports its own limit only deep into the text, as a bare "bad file".
inline constexpr int kMaxNesting = 32;

// Refuses lists and maps nested deeper than kMaxNesting, by indentation, by [ ] and { }, or
// both, with a CaseFileError at the line and column where the level too many opens. One pass
// over the text in constant memory; quoted text, comments and block scalars are skipped, and
// a document marker starts afresh.
void CheckNesting(const std::string& text, const std::string& name);

}  // namespace brixel::cli
