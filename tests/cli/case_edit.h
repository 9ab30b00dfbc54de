#pragma once

#include <gtest/gtest.h>

#include <string>

#include "cli/case_kinds.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {

// The reader's complaint about `base` with the first `from` replaced by `to`; empty when the
// edited case is read without one.
inline std::string RefusalOf(const std::string& base, const std::string& from,
                             const std::string& to) {
    std::string text = base;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    try {
        ReadCase(text, "case.yaml");
    } catch (const CaseFileError& error) {
        return std::string(error.what());
    }
    return std::string();
}

}  // namespace brixel::cli
