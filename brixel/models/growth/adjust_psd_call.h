#pragma once

#include <cstdint>

#include "brixel/models/distribution/set_psd_call.h"

// One procedural ADJPSD call: a CDistributionChanger built for it, bound to the host's block,
// a CAdjustSizeConstantNumber run on its inlet and outlet, and both destroyed.
namespace brixel {

// The calculation status: 0 success, 1 warnings, 2 errors. Several inlets are mixed (their
// solids only) into the unit's inlet first.
// Index table word 0: the 0-based position of the growth method in the integer array.
int64_t RunAdjustPsd(const ProceduralCall& call);

}  // namespace brixel
