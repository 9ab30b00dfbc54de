#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/case_kind.h"

namespace brixel::cli {

// Measured grade efficiencies turned into one efficiency per class of a size grid.
struct EfficiencyFitCase {
    std::string title;
    std::string blockId = "EFFFIT";
    int64_t mode = 0;                  // 0 linear, 1 spline, 2 transformed spline, 3 fit
    int64_t option = 0;                // spline selector (modes 1, 2) or model bits (mode 3)
    std::vector<double> sizes;         // m, strictly ascending
    std::vector<double> efficiencies;  // fractions
    std::vector<double> grid;          // class boundaries (classCount + 1) or class values
    int64_t classCount = 0;
};

// The `efficiency_fit` case kind.
CaseRunner ReadEfficiencyFitKind(const YamlReader& reader, const YAML::Node& root);

// Runs a checked case on a fresh substitute host (for its messages).
RunResult RunEfficiencyFitCase(const EfficiencyFitCase& input);

}  // namespace brixel::cli
