#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/separator_case.h"

namespace brixel::cli {

// Phase mass flows and state of one stream, read through the library's property layer.
// A value that could not be read is NaN.
struct StreamSummary {
    double vapour = 0.0;       // kg/s
    double liquid = 0.0;       // kg/s
    double solid = 0.0;        // kg/s
    double temperature = 0.0;  // K
    double pressure = 0.0;     // Pa
    std::vector<double> psd;   // mass fractions of the solids on psdMesh; empty without one
};

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
    std::vector<std::string> messages;
    std::vector<std::string> history;
};

// The host refused the case's set-up, or the feed has no equilibrium at its T and P.
class CaseRunError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Runs the case on a fresh substitute host: builds components, stream class, feed and block,
// brings the feed to equilibrium at its temperature and pressure, and drives the separator
// through its lifecycle. Throws CaseRunError.
CaseResult RunSeparatorCase(const SeparatorCase& input);

}  // namespace brixel::cli
