// Stream flow operations of a unit: copying streams and clearing empty substreams.
#include <algorithm>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

namespace {

// Below this total flow (kmol/s) a substream counts as empty.
constexpr double kZeroFlow = 1e-50;

}  // namespace

void CBrixelBaseUnit::CopyStream(int source, int destination) {
    const int from = BeadOf(source);
    const int to = BeadOf(destination);
    const double* sourceVector = brixel::plex::RealRecord(from);
    double* destinationVector = brixel::plex::RealRecord(to);
    const int length = VectorLengthOf(from);
    // Streams of different classes have different layouts: copying one over the other
    // would corrupt the destination.
    if (!sourceVector || !destinationVector || length <= 0 || VectorLengthOf(to) != length) {
        throw brixel::kStatusInvalidArgument;
    }
    if (from != to) {
        std::copy(sourceVector, sourceVector + length, destinationVector);
    }
    CopyFlashResults(from, to);
}

void CBrixelBaseUnit::ClearZeroFlowSubstreams() {
    for (int j = 0; j < m_nOutlets; ++j) {
        ClearZeroFlowSubstreams(static_cast<int>(m_pOutlets[j]));
    }
}

void CBrixelBaseUnit::ClearZeroFlowSubstreams(int port) {
    const int bead = BeadOf(port);
    const brixel::StreamClassView view(StreamClassOf(bead));
    double* vector = brixel::plex::RealRecord(bead);
    if (!vector) {
        return;
    }
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t offset = view.Offset(k);
        const int64_t components = view.ComponentCount(k);
        const int64_t length = view.Length(k);
        double* substream = vector + offset;
        if (substream[components + sv::kTotalFlow] < kZeroFlow) {
            std::fill(substream, substream + components + 1, 0.0);
            substream[components + sv::kTemperature] = m_dblRMiss;
            // The pressure stays; every word after it is no longer meaningful.
            std::fill(substream + components + sv::kEnthalpy, substream + length, m_dblRMiss);
            continue;
        }
        const int64_t* substreamClass = view.SubstreamClass(k);
        if (view.Type(k) != rec::kMixed || m_naSolidComps.empty() || !substreamClass ||
            substreamClass[rec::kSubstreamClassSlotCount] <= 0) {
            continue;
        }
        // Polymers that have become solid count among the solids below.
        CheckSolidPolymersStream(bead);
        // Solids gone from the mixed substream: its PSD describes nothing.
        double solids = 0.0;
        for (const int c : m_naSolidComps) {
            if (c < components) {
                solids += substream[c];
            }
        }
        if (solids >= kZeroFlow) {
            continue;
        }
        for (int slot = 0; slot < substreamClass[rec::kSubstreamClassSlotCount]; ++slot) {
            const int64_t* words =
                substreamClass + rec::kSubstreamClassFirstSlot + rec::kSlotWords * slot;
            if (!IsPSD(brixel::plex::IntRecord(words[rec::kSlotAttributeBead]))) {
                continue;
            }
            const int64_t first = words[rec::kSlotValueOffset];
            const int64_t count = words[rec::kSlotValueCount];
            if (first < 0 || count < 0 || first + count > length) {
                continue;
            }
            for (int64_t i = first; i < first + count; ++i) {
                if (brixel::IsGiven(substream[i])) {
                    substream[i] = m_dblRMiss;
                }
            }
        }
    }
}
