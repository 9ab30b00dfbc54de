#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/feed_host.h"
#include "cli/separator_case.h"

namespace brixel::cli {

// Everything a separator case produced. Results of the split keep the host's missing value
// (1e35) or -1 where the calculation did not get to them.
struct CaseResult {
    SeparatorCase input;
    StreamSummary inlet;
    StreamSummary fluidOutlet;
    StreamSummary solidOutlet;
    std::vector<double> psdMesh;  // m, boundaries of the PSD the outlets are reported on
    bool valid = false;           // the unit's validation passed
    long status = 0;              // of Calculate (or of the failed validation)
    bool fallback = false;        // the calculation ended in the fallback exit
    int64_t outcome = 0;          // the block's outcome word
    double fluidSplit = 0.0;
    double solidSplit = 0.0;          // resolved from the specifications
    double solidSplitAchieved = 0.0;  // applied to the solids (after classification)
    double solidLoadOfFluid = 0.0;    // kg solid / kg fluid in the fluid outlet
    double fluidLoadOfSolid = 0.0;    // kg fluid / kg solid in the solid outlet
    double d50 = 0.0;                 // m, or m/s when classified by settling velocity
    std::vector<std::pair<double, double>> efficiencyCurve;  // class value, efficiency in %
    // From the inlet and solid outlet records: the substreams with a PSD (IDs) and, row by
    // row, the class size (m) and each one's efficiency (fraction; NaN where the feed has no
    // mass in the class), then the overall efficiency.
    std::vector<std::string> streamCurveSubstreams;
    std::vector<std::vector<double>> streamCurve;
    std::vector<std::string> messages;
    std::vector<std::string> history;
};

// Runs the case on a fresh substitute host: builds components, stream class, feed and block,
// brings the feed to equilibrium at its temperature and pressure, and drives the separator
// through its lifecycle. Throws CaseRunError.
CaseResult RunSeparatorCase(const SeparatorCase& input);

}  // namespace brixel::cli
