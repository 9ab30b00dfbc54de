#pragma once

#include <cstdint>

class CDistributionChanger;

// One procedural DISPRP call: a CDistributionChanger built, bound to the host's block, run
// and destroyed.
namespace brixel {

// The host's block as a procedural call of the distribution models hands it over.
struct ProceduralCall {
    int64_t* statusBlock = nullptr;  // word 4: the block's outcome code
    int64_t* methodSet = nullptr;    // NBOPST
    int64_t* intParameters = nullptr;
    double* realParameters = nullptr;
    int64_t inletCount = 0;
    const int64_t* inlets = nullptr;      // stream beads
    int64_t outlet = 0;                   // stream bead, holding the (mixed) feed
    const int64_t* indexTable = nullptr;  // 12 words
};

struct SetPsdCall {
    ProceduralCall block;
    const int64_t* resultTable = nullptr;  // 4 words: Sauter in/out, median in/out
    int64_t estimate = 0;                  // 1: the target PSD is an estimate
};

// The port words a unit of a procedural call reads its streams through; declared before the
// unit, so that they outlive it (its destructor reads them).
struct CallPorts {
    int64_t one = 1;
    int64_t inlet = 0;
    int64_t outlet = 0;
};

// Binds the unit to the call's status block, NBOPST, parameter arrays and its first inlet and
// outlet (through `ports`).
void BindCall(CDistributionChanger& unit, const ProceduralCall& call, CallPorts& ports);

// The unit's inlet of a procedural call: the one inlet, or the solids of every inlet with
// solids mixed into an internal copy of the first of them (the first inlet when none has
// solids).
int64_t MixedInlet(CDistributionChanger& unit, int64_t inletCount, const int64_t* inlets);

// The calculation status: 0 success, 1 warnings, 2 errors. Several inlets are mixed (their
// solids only) into the unit's inlet first.
int64_t RunSetPsd(const SetPsdCall& call);

}  // namespace brixel
