#pragma once

#include "cli/case_kind.h"
#include "cli/distribution_case.h"

namespace brixel::cli {

// The distribution-setting unit (DISPRP) as a case kind.
CaseRunner ReadDistributionKind(const YamlReader& reader, const YAML::Node& root);

// Runs a checked case on a fresh substitute host: the outlet holds the feed, the unit sets
// its PSD. The result carries the target and outlet PSDs with Q3, x10, x50, x90 and Sauter
// diameters.
RunResult RunDistributionCase(const DistributionCase& input);

}  // namespace brixel::cli
