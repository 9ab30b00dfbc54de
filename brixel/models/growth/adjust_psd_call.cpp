#include "brixel/models/growth/adjust_psd_call.h"

#include <algorithm>
#include <climits>

#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/models/distribution/set_psd_call.h"
#include "brixel/models/growth/adjust_size_constant_number.h"

namespace brixel {

namespace {

constexpr const char* kTag = "ADJPSD";
constexpr uint32_t kInvalidBead = 1;
constexpr uint32_t kAdjustmentFailed = 2;
constexpr uint32_t kInvalidMethod = 999;
constexpr int kMethodEntry = 0;

}  // namespace

int64_t RunAdjustPsd(const AdjustPsdCall& call) {
    CDistributionChanger unit;
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, call.methodSet, &unused, call.statusBlock);
    unit.SetNBOPST(call.methodSet);
    unit.SetUnitBeads(call.intParameters, call.realParameters);
    int64_t one = 1;
    // The unit reads its ports through these words: the inlet word becomes the mixed inlet.
    int64_t inlet = call.inlets[0];
    int64_t outlet = call.outlet;
    unit.SetStreamBeads(&one, &inlet, &one, &outlet);
    bool beads = outlet >= 1;
    for (int64_t i = 0; i < call.inletCount; ++i) {
        beads = beads && call.inlets[i] >= 1;
    }
    if (!beads) {
        unit.RaiseCalculationError(kInvalidBead, "invalid bead number.", kTag, false);
    } else {
        inlet = MixedInlet(unit, call.inletCount, call.inlets);
        unit.CheckSolidPolymersStream(static_cast<int>(inlet));
        const int64_t position = call.indexTable[kMethodEntry];
        if (position < 0) {
            unit.RaiseCalculationError(kInvalidMethod, "INVALID GROWTH METHOD SELECTED!", "",
                                       false);
        } else {
            CAdjustSizeConstantNumber growth(&unit);
            const int64_t method =
                std::clamp<int64_t>(call.intParameters[position], INT_MIN, INT_MAX);
            growth.SetMethod(static_cast<int>(method), 0);
            if (growth.AdjustSize(static_cast<int>(inlet), static_cast<int>(outlet)) < 0) {
                unit.RaiseCalculationError(kAdjustmentFailed, "PSD Adjustment Calculations Failed.",
                                           kTag, false);
            }
        }
    }
    const int result = unit.HasCalculationErrors() ? 2 : unit.HasWarnings() ? 1 : 0;
    unit.SetOutcome(result);
    return result;
}

}  // namespace brixel
