#pragma once

#include <vector>

#include "cli/feed_case.h"

namespace brixel::cli {

// One distribution function of a distribution case; the library's type code and its
// parameters, the host's missing value (1e35) where the file gives none.
struct DistributionFunctionCase {
    int type = 0;  // 1 GGS, 2 RRSB, 3 log-normal, 4 normal
    double d50 = 1e35, d63 = 1e35, xmax = 1e35, steepness = 1e35, ggsExponent = 1e35,
           rrsbDispersion = 1e35, sigma = 1e35, fraction = 1e35;
};

// A distribution case: the feed and the target PSD, from superposed functions or a table.
struct DistributionCase : FeedCase {
    std::vector<DistributionFunctionCase> functions;  // empty: the table
    double tableLower = 0.0;                          // m
    std::vector<double> tableUpper;                   // m
    std::vector<double> tableWeights;
    int tableMethod = 0;  // 0 linear, 1 spline, 2 spline in RRSB coordinates
    double bypass = 0.0;
    bool movementMatrix = true;
    bool estimate = false;
};

}  // namespace brixel::cli
