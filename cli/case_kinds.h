#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/case_kind.h"

namespace brixel::cli {

struct CaseKind {
    std::string_view key;      // the case file's `unit:`
    std::string_view summary;  // one line for --help
    CaseKindReader read;
};

// Every kind the command runs; the first is the default when a file has no `unit:`.
const std::vector<CaseKind>& CaseKinds();

// Reads case text of any kind (`name` stands for the file in messages) and returns its run.
// Throws CaseFileError.
CaseRunner ReadCase(const std::string& text, const std::string& name);

}  // namespace brixel::cli
