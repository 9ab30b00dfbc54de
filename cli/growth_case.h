#pragma once

#include "cli/case_kind.h"
#include "cli/feed_case.h"

namespace brixel::cli {

// A growth case: the feed, the solids mass the outlet carries and the growth law.
struct GrowthCase : FeedCase {
    double outletSolids = 0.0;  // kg/s
    int method = 0;             // the library's growth method, 1-7
};

// The particle-growth unit (ADJPSD) as a case kind.
CaseRunner ReadGrowthKind(const YamlReader& reader, const YAML::Node& root);

// Runs a checked case on a fresh substitute host: the outlet holds the flashed feed with its
// solids scaled to the outlet mass, the growth model moves its PSD. The result carries the
// increment found, the particle number flows in and out and both PSDs.
RunResult RunGrowthCase(const GrowthCase& input);

}  // namespace brixel::cli
