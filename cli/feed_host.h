#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "cli/feed_case.h"
#include "host/substitute_host.h"

namespace brixel::cli {

// Phase mass flows and state of one stream, read through the library's property layer.
// A value that could not be read is NaN.
struct StreamSummary {
    double vapour = 0.0;       // kg/s
    double liquid = 0.0;       // kg/s
    double solid = 0.0;        // kg/s
    double temperature = 0.0;  // K
    double pressure = 0.0;     // Pa
    std::vector<double> psd;   // mass fractions of the solids on the PSD mesh; empty without one
    std::vector<double> componentMass;  // kg/s of each component, in the host's order
};

// The host refused the case's set-up, or the feed has no equilibrium at its T and P.
class CaseRunError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The feed and outlet streams of a case's one block on the substitute host.
struct FeedStreams {
    int64_t feed = 0;              // bead of the inlet
    std::vector<int64_t> outlets;  // beads, in port order
    host::Block* block = nullptr;
};

// Adds the case's components, its stream class, the feed (mass flows turned into kmol/s with
// the databank's molecular weights; T and P only, the flash supplies the rest), `outletCount`
// empty streams of the same class and the block. Throws CaseRunError.
FeedStreams BuildFeed(host::SubstituteHost& simulator, const FeedCase& feed, int outletCount);

// Binds `unit` to `block` as the host does before it calls a model.
void BindUnit(CBrixelBaseUnit& unit, host::Block& block);

// Brings the feed to equilibrium at its own T and P (a TP flash), as a host delivers flashed
// streams. Throws CaseRunError when it cannot.
void FlashFeed(CBrixelBaseUnit& unit, const FeedCase& feed, int64_t bead);

// How a block calculation ended, as the host sees it.
struct BlockOutcome {
    bool valid = false;     // the unit's validation passed
    long status = 0;        // of Calculate, or of the failed validation
    bool fallback = false;  // the fallback exit was taken
    int64_t outcome = 0;    // the block's outcome word
};

// What the host does with a bound, initialised and specified unit: validates it, calculates
// it when valid and takes the fallback exit when either fails.
template <typename Unit>
BlockOutcome RunBlock(Unit& unit, const host::Block& block) {
    BlockOutcome result;
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_FALSE;
    const long validation = unit.Validate(&message, &valid);
    SysFreeString(message);
    result.valid = validation >= 0 && valid == VARIANT_TRUE;
    result.status =
        result.valid ? unit.Calculate() : (validation < 0 ? validation : kStatusCapeUnknown);
    if (result.status < 0) {
        unit.SetErrorExit();
        result.fallback = true;
    }
    result.outcome = block.statusBlock[records::kStatusOutcome];
    return result;
}

// Reads a stream's phase flows, T, P and solids PSD; the PSD mesh goes to `mesh` when that is
// given and still empty.
StreamSummary Summarize(CBrixelBaseUnit& unit, int64_t bead, std::vector<double>* mesh = nullptr);

}  // namespace brixel::cli
