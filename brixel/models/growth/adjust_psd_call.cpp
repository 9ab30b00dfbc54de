#include "brixel/models/growth/adjust_psd_call.h"

#include <algorithm>
#include <climits>

#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/models/growth/adjust_size_constant_number.h"

namespace brixel {

namespace {

constexpr const char* kTag = "ADJPSD";
constexpr uint32_t kInvalidBead = 1;
constexpr uint32_t kAdjustmentFailed = 2;
constexpr int kMethodEntry = 0;

}  // namespace

int64_t RunAdjustPsd(const ProceduralCall& call) {
    // The unit reads its port words up to the end of its destructor: they must outlive it.
    CallPorts ports;
    CDistributionChanger unit;
    BindCall(unit, call, ports);
    bool beads = call.outlet >= 1;
    for (int64_t i = 0; i < call.inletCount; ++i) {
        beads = beads && call.inlets[i] >= 1;
    }
    if (!beads) {
        unit.RaiseCalculationError(kInvalidBead, "invalid bead number.", kTag, false);
    } else {
        // The unit's inlet word becomes the mixed inlet.
        ports.inlet = MixedInlet(unit, call.inletCount, call.inlets);
        unit.CheckSolidPolymersStream(static_cast<int>(ports.inlet));
        // A position before the array names no method: refused as a method past the last.
        const int64_t position = call.indexTable[kMethodEntry];
        const int64_t method =
            position < 0 ? INT_MAX
                         : std::clamp<int64_t>(call.intParameters[position], INT_MIN, INT_MAX);
        CAdjustSizeConstantNumber growth(&unit);
        growth.SetMethod(static_cast<int>(method), 0);
        if (growth.AdjustSize(static_cast<int>(ports.inlet), static_cast<int>(ports.outlet)) < 0) {
            unit.RaiseCalculationError(kAdjustmentFailed, "PSD Adjustment Calculations Failed.",
                                       kTag, false);
        }
    }
    const int result = unit.HasCalculationErrors() ? 2 : unit.HasWarnings() ? 1 : 0;
    unit.SetOutcome(result);
    return result;
}

}  // namespace brixel
