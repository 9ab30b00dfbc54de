#pragma once

#include <stdexcept>
#include <string>

#include "cli/separator_case.h"

namespace brixel::cli {

// A case file that cannot be read, or that is malformed or inconsistent. what() is the whole
// message, "<file>:<line>:<column>: <what is wrong>" (1-based), or "<file>: <what>" when the
// problem has no place in the file.
class CaseFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads and checks a whole YAML case file; every problem is found before anything runs.
// Throws CaseFileError.
SeparatorCase LoadCaseFile(const std::string& path);
// The same for case text; `name` stands for the file in messages.
SeparatorCase ParseCase(const std::string& text, const std::string& name);

}  // namespace brixel::cli
