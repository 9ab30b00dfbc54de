#pragma once

// Bridges the host's streams and the flash engine (flash.h): component models, flash limits,
// substream slices, attribute slots and the flash-results region of the plex.
//
// Flash results in the stream-work data (read by the library's FlashResults):
// HostStreamWorkCommon word 0 is the real base and word 1 the integer base, word 2 the number of
// listed components, word 22 beta as the bit pattern of a double; HostStreamWorkCommon2 words
// 15, 18, 16, 17 are the keys of arrays A, B, C, D and word 25 the key of the component list:
// array A starts at real position word2[15] + word[0], the 1-based component numbers at integer
// position word2[25] + word[1]. The arrays live in one region of the plex, made once for all
// conventional components. Listed components: those of the MIXED substream with flow that take
// part in the vapour-liquid split, in component order. A = liquid mole fractions x, B = vapour
// mole fractions y, C = the first liquid phase (= A: one liquid), D = a second liquid phase
// (zeros), beta = share of the liquid in the first liquid phase (1).

#include <cstdint>
#include <string>
#include <vector>

#include "host/flash.h"
#include "host/substitute_host_impl.h"

namespace brixel::host {

struct ComponentModels {
    std::vector<ComponentModel> conventional;
    std::vector<ComponentModel> nonconventional;
};

ComponentModels ModelsOf(const SubstituteHost::Impl& impl);
FlashLimits LimitsOf(const SubstituteHost::Impl& impl);
SubstreamSlice SliceOf(const SubstituteHost::Impl::SubstreamLayout& layout, double* vector,
                       const ComponentModels& models);
std::vector<SubstreamSlice> AllSlices(const SubstituteHost::Impl::StreamClass& streamClass,
                                      double* vector, const ComponentModels& models);

// Attribute slot of a substream class: name, offset of its values from the substream's first
// word, number of values.
struct AttributeSlot {
    std::string name;
    int64_t valueOffset = 0;
    int64_t valueCount = 0;
};
std::vector<AttributeSlot> SlotsOf(SubstituteHost::Impl& impl,
                                   const SubstituteHost::Impl::SubstreamLayout& layout);

// A flash of listed substreams of one stream vector (HostFlash without its captures).
struct FlashRequest {
    double* vector;
    int64_t count;
    const int64_t* positions;  // 1-based first words of the substreams
    const int64_t* types;
    int64_t kode;
    double spec1, spec2, spec3;
};
int64_t FlashVector(SubstituteHost::Impl& impl, const FlashRequest& request);

EquilibriumResults ResultsOf(const PhaseSplit& split);
// Makes the results region once; std::length_error when the plex is full.
void ReserveResults(SubstituteHost::Impl& impl);
// Writes results into the region and the stream-work data; `owner` is the stream vector they
// belong to.
void PublishResults(SubstituteHost::Impl& impl, const EquilibriumResults& results,
                    const double* owner);

}  // namespace brixel::host
