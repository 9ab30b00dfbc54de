// Report, block summary and polymer-phase services of host_interface.h. The report keeps
// lengths in micrometres, the unit engineers read size classes in; the summary keeps every
// entry with its block and substream so that a test reads back what was written.

#include <cstdint>
#include <string>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "host/host_service.h"

using brixel::host::service::Impl;
using brixel::host::service::Name;
using brixel::host::service::Read;
using brixel::host::service::ServeVoid;
namespace records = brixel::records;
namespace sv = brixel::stream_vector;

namespace {

constexpr int kIdChars = records::kIdChars;
constexpr int kKeyChars = 12;  // summary keys: 3 packed words
constexpr double kMicrometresPerMetre = 1e6;

// Mole fraction of the set-up's polymers and oligomers in a substream (from 1); -1 when the
// stream or substream is unknown.
double PolymerFraction(Impl& impl, const int64_t* streamBead, const int64_t* substream) {
    const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
    const int64_t number = Read(substream);
    const double* vector = impl.RealWords(Read(streamBead));
    if (!streamClass || !vector || number < 1 ||
        number > static_cast<int64_t>(streamClass->substreams.size())) {
        return -1.0;
    }
    const Impl::SubstreamLayout& layout =
        streamClass->substreams[static_cast<std::size_t>(number - 1)];
    if (layout.type != records::kMixed) {
        return 0.0;
    }
    const double* flows = vector + layout.offset;
    const double total = flows[layout.components + sv::kTotalFlow];
    if (!(total > 0.0) || total >= brixel::host::kRealMissing) {
        return 0.0;
    }
    double polymer = 0.0;
    for (const auto* list : {&impl.polymerSetup.polymers, &impl.polymerSetup.oligomers}) {
        for (const int64_t c : *list) {
            if (c >= 1 && c <= layout.components && flows[c - 1] > 0.0) {
                polymer += flows[c - 1];
            }
        }
    }
    return polymer / total;
}

}  // namespace

extern "C" {

void HostReportBlockHeader(const int64_t* blockId) {
    ServeVoid([&](Impl& impl) {
        impl.summaryBlock = blockId ? Name(blockId, kIdChars) : std::string();
        impl.summarySubstream.clear();
        impl.reportLines.push_back("");
        impl.reportLines.push_back(" BLOCK:  " + impl.summaryBlock);
    });
}

void HostReportConvert(const int64_t* quantity, const int64_t* count, double* values,
                       int64_t* label) {
    ServeVoid([&](Impl& impl) {
        (void)impl;
        const std::string name = quantity ? Name(quantity, kIdChars) : std::string();
        const bool length = name == "LENGTH";
        const std::string unit = length ? "MU" : "SI";
        if (label) {
            const std::vector<int64_t> packed = brixel::host::PackText(unit, kIdChars);
            std::copy(packed.begin(), packed.end(), label);
        }
        if (length && values) {
            for (int64_t i = 0; i < Read(count); ++i) {
                values[i] *= kMicrometresPerMetre;
            }
        }
    });
}

void HostSummarySubstream(const int64_t* substreamId) {
    ServeVoid([&](Impl& impl) {
        impl.summarySubstream = substreamId ? Name(substreamId, kIdChars) : std::string();
    });
}

void HostWriteSummary(const int64_t* key, const int64_t* count, const double* values,
                      const int64_t* words) {
    ServeVoid([&](Impl& impl) {
        const int64_t n = Read(count);
        if (!key || n < 0 || n > brixel::host::service::kMaxSubstreams * 1000) {
            return;
        }
        brixel::host::SummaryEntry entry{
            impl.summaryBlock, impl.summarySubstream, Name(key, kKeyChars), {}, {}};
        if (values) {
            entry.values.assign(values, values + n);
        } else if (words) {
            entry.text = Name(words, static_cast<int>(4 * n));
        }
        impl.summary.push_back(std::move(entry));
    });
}

int64_t HostSolidPolymer(const int64_t* streamBead, const int64_t* substream) {
    return brixel::host::service::Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        return impl.polymerSetup.solidmerFlag != 0 &&
                       PolymerFraction(impl, streamBead, substream) > 0.0
                   ? 1
                   : 0;
    });
}

double HostPolymerLiquidFraction(const int64_t* streamBead, const int64_t* substream) {
    return brixel::host::service::Serve<double>(0.0, [&](Impl& impl) {
        const double fraction = PolymerFraction(impl, streamBead, substream);
        return fraction > 0.0 ? fraction : 0.0;
    });
}

}  // extern "C"
