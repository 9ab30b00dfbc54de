#include "brixel/framework/flow_checks.h"

#include <algorithm>
#include <cmath>

#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"

namespace brixel::flow_checks {

namespace rec = records;

void RequireFinite(double value) {
    if (!std::isfinite(value)) {
        throw kStatusFail;
    }
}

void RequireState(double value) {
    if (std::isnan(value) || (value < kNotGiven && !(value > 0.0))) {
        throw kStatusFail;
    }
}

void RequireComponentEntries(const std::vector<double>& flows, int64_t ncc, int64_t nncc) {
    if (static_cast<int64_t>(flows.size()) != ncc + nncc) {
        throw kStatusFail;
    }
    std::for_each(flows.begin(), flows.end(), RequireFinite);
}

PsdValues PsdValuesOf(const StreamClassView& view, int64_t substream) {
    const int64_t* substreamClass = view.SubstreamClass(substream);
    if (!substreamClass) {
        return {};
    }
    for (int64_t slot = 0; slot < substreamClass[rec::kSubstreamClassSlotCount]; ++slot) {
        const int64_t* words =
            substreamClass + rec::kSubstreamClassFirstSlot + rec::kSlotWords * slot;
        const int64_t bead = words[rec::kSlotAttributeBead];
        if (bead == 0 || !IsPsdAttribute(plex::IntRecord(bead))) {
            continue;
        }
        const int64_t first = words[rec::kSlotValueOffset];
        const int64_t count = words[rec::kSlotValueCount];
        if (first >= 0 && count > 0 && first + count <= view.Length(substream)) {
            return {first, count};
        }
    }
    return {};
}

void RequirePsdFits(const StreamClassView& view, const std::vector<double>& psd) {
    if (psd.empty()) {
        return;
    }
    bool placed = false;
    for (int64_t k = 0; k < view.SubstreamCount(); ++k) {
        const PsdValues values = PsdValuesOf(view, k);
        if (values.count == 0) {
            continue;
        }
        if (values.count != static_cast<int64_t>(psd.size())) {
            throw kStatusFail;
        }
        placed = true;
    }
    const bool valid = std::all_of(
        psd.begin(), psd.end(), [](double value) { return std::isfinite(value) && value >= 0.0; });
    if (!placed || !valid) {
        throw kStatusFail;
    }
}

}  // namespace brixel::flow_checks
