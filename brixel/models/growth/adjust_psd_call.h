#pragma once

#include <cstdint>

// One procedural ADJPSD call: a CDistributionChanger built for it, bound to the host's block,
// a CAdjustSizeConstantNumber run on its inlet and outlet, and both destroyed.
namespace brixel {

struct AdjustPsdCall {
    int64_t* statusBlock = nullptr;  // word 4: the block's outcome code
    int64_t* methodSet = nullptr;    // NBOPST
    int64_t* intParameters = nullptr;
    double* realParameters = nullptr;
    int64_t inletCount = 0;
    const int64_t* inlets = nullptr;      // stream beads
    int64_t outlet = 0;                   // stream bead, carrying the new solids mass
    const int64_t* indexTable = nullptr;  // entry 0: index of the growth method
};

// The calculation status: 0 success, 1 warnings, 2 errors. Several inlets are mixed (their
// solids only) into the unit's inlet first.
int64_t RunAdjustPsd(const AdjustPsdCall& call);

}  // namespace brixel
