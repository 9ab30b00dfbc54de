// The stream-structure lookups, shared summary data, option set and floating-point check of
// brixel/framework/host_interface.h. Substreams are counted from 1 here, as the host counts
// them; the layouts are those the library reads from the class records, so the answers agree
// with its own readers (brixel/framework/stream_class.h).

#include <cfenv>
#include <cmath>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/stream_vector.h"
#include "host/host_service.h"
#include "host/stream_flash.h"

namespace {

namespace sv = brixel::stream_vector;
namespace records = brixel::records;
using brixel::host::kRealMissing;
using brixel::host::service::Impl;
using brixel::host::service::Read;
using brixel::host::service::Serve;
using brixel::host::service::Write;

constexpr int kFpeFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
constexpr int64_t kPhaseVapor = 1;
constexpr int64_t kPhaseLiquid = 2;
constexpr int64_t kPhaseSolid = 3;

// Substream `number` (from 1) of a class; null outside the table.
const Impl::SubstreamLayout* SubstreamOf(const Impl::StreamClass* streamClass, int64_t number) {
    if (streamClass == nullptr || number < 1 ||
        number > static_cast<int64_t>(streamClass->substreams.size())) {
        return nullptr;
    }
    return &streamClass->substreams[static_cast<std::size_t>(number - 1)];
}

const Impl::StreamClass* ClassOfRecord(const Impl& impl, int64_t classBead) {
    const auto found = impl.classes.find(classBead);
    return found == impl.classes.end() ? nullptr : &found->second;
}

int64_t SlotCount(Impl& impl, const Impl::SubstreamLayout& layout) {
    return static_cast<int64_t>(brixel::host::SlotsOf(impl, layout).size());
}

int64_t DescribeSubstream(Impl& impl, const Impl::StreamClass* streamClass, int64_t number,
                          int64_t* info) {
    const Impl::SubstreamLayout* layout = SubstreamOf(streamClass, number);
    if (layout == nullptr || info == nullptr) {
        return -1;
    }
    const auto id = brixel::host::PackText(layout->id, records::kIdChars);
    info[0] = id[0];
    info[1] = id[1];
    info[2] = layout->type;
    info[3] = layout->offset;
    info[4] = layout->length;
    info[5] = layout->components;
    info[6] = SlotCount(impl, *layout);
    return 0;
}

// Host phase codes of the phases present in a stream, in the order HostPhaseCount counts them.
std::vector<int64_t> PhasesOf(Impl& impl, int64_t streamBead) {
    std::vector<int64_t> phases;
    const Impl::StreamClass* streamClass = impl.ClassOfStream(streamBead);
    if (streamClass == nullptr) {
        return phases;
    }
    const double* vector = impl.RealWords(streamBead);
    bool mixedSeen = false;
    for (const auto& layout : streamClass->substreams) {
        const double* start = vector + layout.offset;
        if (layout.type == records::kMixed) {
            const double vapor = start[layout.components + sv::kVaporFraction];
            if (mixedSeen || !(vapor >= 0.0 && vapor <= 1.0)) {
                continue;
            }
            mixedSeen = true;
            if (vapor > 0.0) {
                phases.push_back(kPhaseVapor);
            }
            if (vapor < 1.0) {
                phases.push_back(kPhaseLiquid);
            }
            continue;
        }
        const double total = start[layout.components + sv::kTotalFlow];
        if (total > 0.0 && total < kRealMissing) {
            phases.push_back(kPhaseSolid);
        }
    }
    return phases;
}

}  // namespace

extern "C" {

int64_t* HostFlashCommon() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.flashCommon.data(); });
}

int64_t* HostSummaryGlobals() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) {
        auto& words = impl.summaryGlobals;
        words[0] = static_cast<int64_t>(impl.builderStreams.size() + impl.allocatedStreams.size());
        words[1] = static_cast<int64_t>(impl.blocks.size());
        words[2] = static_cast<int64_t>(impl.classes.size());
        words[3] = impl.componentCounts[records::kCountConventional];
        words[4] = impl.componentCounts[records::kCountNonconventional];
        return words.data();
    });
}

int64_t* HostPropIterationCommon() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) {
        impl.propIterationCommon[0] = impl.monitors.bracketDepth;
        impl.propIterationCommon[1] = impl.monitors.enterCalls;
        return impl.propIterationCommon.data();
    });
}

int64_t HostLocateSubstream(const int64_t* streamBead, const int64_t* type,
                            const int64_t* occurrence) {
    return Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
        int64_t remaining = Read(occurrence);
        if (streamClass == nullptr || remaining < 1) {
            return 0;
        }
        for (std::size_t k = 0; k < streamClass->substreams.size(); ++k) {
            if (streamClass->substreams[k].type == Read(type) && --remaining == 0) {
                return static_cast<int64_t>(k) + 1;
            }
        }
        return 0;
    });
}

int64_t HostLocatePsd(const int64_t* streamBead, const int64_t* substream, int64_t* intervals) {
    Write<int64_t>(intervals, 0);
    return Serve<int64_t>(-1, [&](Impl& impl) -> int64_t {
        const Impl::SubstreamLayout* layout =
            SubstreamOf(impl.ClassOfStream(Read(streamBead)), Read(substream));
        if (layout == nullptr || layout->psdOffset < 0) {
            return -1;
        }
        Write(intervals, layout->psdIntervals);
        return layout->offset + layout->psdOffset;
    });
}

int64_t HostPhaseCount(const int64_t* streamBead) {
    return Serve<int64_t>(0, [&](Impl& impl) {
        return static_cast<int64_t>(PhasesOf(impl, Read(streamBead)).size());
    });
}

int64_t HostPhaseId(const int64_t* streamBead, const int64_t* phase) {
    return Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        const auto phases = PhasesOf(impl, Read(streamBead));
        const int64_t k = Read(phase);
        return k < 1 || k > static_cast<int64_t>(phases.size())
                   ? 0
                   : phases[static_cast<std::size_t>(k - 1)];
    });
}

int64_t HostComponentsOfSubstream(const int64_t* streamBead, const int64_t* substream,
                                  int64_t* present, int64_t* presentCount) {
    Write<int64_t>(presentCount, 0);
    return Serve<int64_t>(-1, [&](Impl& impl) -> int64_t {
        const Impl::SubstreamLayout* layout =
            SubstreamOf(impl.ClassOfStream(Read(streamBead)), Read(substream));
        if (layout == nullptr) {
            return -1;
        }
        const double* flows = impl.RealWords(*streamBead) + layout->offset;
        int64_t found = 0;
        for (int64_t i = 0; i < layout->components; ++i) {
            if (flows[i] > 0.0 && flows[i] < kRealMissing) {
                if (present != nullptr) {
                    present[found] = i + 1;
                }
                ++found;
            }
        }
        Write(presentCount, found);
        return layout->components;
    });
}

int64_t HostAttributeCount(const int64_t* streamBead, const int64_t* substream) {
    return Serve<int64_t>(-1, [&](Impl& impl) -> int64_t {
        const Impl::SubstreamLayout* layout =
            SubstreamOf(impl.ClassOfStream(Read(streamBead)), Read(substream));
        return layout == nullptr ? -1 : SlotCount(impl, *layout);
    });
}

int64_t HostSubstreamInfoByIndex(const int64_t* classBead, const int64_t* substream,
                                 int64_t* info) {
    return Serve<int64_t>(-1, [&](Impl& impl) {
        return DescribeSubstream(impl, ClassOfRecord(impl, Read(classBead)), Read(substream), info);
    });
}

int64_t HostSubstreamInfoByStream(const int64_t* streamBead, const int64_t* substream,
                                  int64_t* info) {
    return Serve<int64_t>(-1, [&](Impl& impl) {
        return DescribeSubstream(impl, impl.ClassOfStream(Read(streamBead)), Read(substream), info);
    });
}

int64_t HostGetOptionSet() {
    return Serve<int64_t>(0, [](Impl& impl) { return impl.flashOptionsBead; });
}

// Works with or without a host: the flags belong to the calling thread.
int64_t HostFpeCheck(const int64_t* mode) {
    if (Read(mode) == 1) {
        std::feclearexcept(kFpeFlags);
        return 0;
    }
    return std::fetestexcept(kFpeFlags) != 0 ? 1 : 0;
}

}  // extern "C"
