// The stream services of brixel/framework/host_interface.h that keep dependent data up to date,
// mix and blank streams, and the moisture and polymer set-up the library reads.

#include <algorithm>
#include <cmath>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/stream_vector.h"
#include "host/host_service.h"
#include "host/mixing.h"
#include "host/stream_flash.h"

namespace {

namespace sv = brixel::stream_vector;
namespace records = brixel::records;
using brixel::host::kRealMissing;
using brixel::host::service::Impl;
using brixel::host::service::kMaxSubstreams;
using brixel::host::service::Read;
using brixel::host::service::ServeVoid;
using brixel::host::service::Write;

// Molecular weight of a substream from its component flows; left alone while a flow is not a
// valid number.
void UpdateMolecularWeight(const Impl& impl, const Impl::SubstreamLayout& layout,
                           double* substream) {
    const bool nonconventional = layout.type == records::kNonconventional;
    double total = 0.0;
    double mass = 0.0;
    for (int64_t i = 0; i < layout.components; ++i) {
        const double flow = substream[i];
        if (!std::isfinite(flow) || flow < 0.0 || flow >= kRealMissing) {
            return;
        }
        total += flow;
        mass += flow * impl.MolecularWeight(i + 1, nonconventional);
    }
    substream[layout.components + sv::kMolecularWeight] = total > 0.0 ? mass / total : 0.0;
}

// The substream whose first word is `start`, with its stream vector; null when none.
const Impl::SubstreamLayout* SubstreamAt(Impl& impl, const double* start) {
    for (const auto* beads : {&impl.builderStreams, &impl.allocatedStreams}) {
        for (const int64_t bead : *beads) {
            const Impl::StreamClass* streamClass = impl.ClassOfStream(bead);
            const double* vector = impl.RealWords(bead);
            if (streamClass == nullptr || start < vector ||
                start >= vector + streamClass->vectorLength) {
                continue;
            }
            for (const auto& layout : streamClass->substreams) {
                if (vector + layout.offset == start) {
                    return &layout;
                }
            }
            return nullptr;
        }
    }
    return nullptr;
}

}  // namespace

extern "C" {

void HostStreamVector(const int64_t* streamBead) {
    ServeVoid([&](Impl& impl) {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
        if (streamClass == nullptr) {
            return;
        }
        double* vector = impl.RealWords(*streamBead);
        for (const auto& layout : streamClass->substreams) {
            UpdateMolecularWeight(impl, layout, vector + layout.offset);
        }
    });
}

// Component attributes live in the stream vector itself; nothing depends on them.
void HostUpdateComponentAttributes(const int64_t* /*streamBead*/) {}

void HostUpdateClassData(const int64_t* substreamType, const int64_t* component, double* substream,
                         const double* /*oldFlow*/, double* /*newFlow*/) {
    ServeVoid([&](Impl& impl) {
        const Impl::SubstreamLayout* layout = SubstreamAt(impl, substream);
        const int64_t number = Read(component);
        if (layout == nullptr || layout->type != Read(substreamType) || number < 1 ||
            number > layout->components) {
            return;
        }
        UpdateMolecularWeight(impl, *layout, substream);
    });
}

// Copies the moisture value of an NC component; other attributes belong to the substream.
void HostMoveComponentAttributes(const int64_t* streamBead, const int64_t* fromSubstream,
                                 const int64_t* toSubstream, const int64_t* component) {
    ServeVoid([&](Impl& impl) {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
        const int64_t from = Read(fromSubstream);
        const int64_t to = Read(toSubstream);
        const int64_t number = Read(component);
        const int64_t offset = impl.thermo.moistureValueOffset;
        if (streamClass == nullptr || offset < 0) {
            return;
        }
        const auto count = static_cast<int64_t>(streamClass->substreams.size());
        if (from < 1 || from > count || to < 1 || to > count || from == to) {
            return;
        }
        const auto& source = streamClass->substreams[static_cast<std::size_t>(from - 1)];
        const auto& target = streamClass->substreams[static_cast<std::size_t>(to - 1)];
        if (source.type != records::kNonconventional || target.type != records::kNonconventional ||
            number < 1 || number > source.components) {
            return;
        }
        double* vector = impl.RealWords(*streamBead);
        vector[target.offset + offset + number - 1] = vector[source.offset + offset + number - 1];
    });
}

void HostStreamMissing(const int64_t* streamBead) {
    ServeVoid([&](Impl& impl) {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
        if (streamClass == nullptr) {
            return;
        }
        double* vector = impl.RealWords(*streamBead);
        std::fill(vector, vector + streamClass->vectorLength, kRealMissing);
        for (const auto& layout : streamClass->substreams) {
            std::fill_n(vector + layout.offset, layout.components + 1, 0.0);  // flows and total
        }
        impl.thermo.stored.erase(*streamBead);
    });
}

void HostMixStreams(const int64_t* count, const int64_t* beads, const int64_t* classPosition,
                    int64_t* targetRealPosition, double* /*realWork*/, int64_t* /*intWork*/,
                    int64_t* /*statusBlock*/, const int64_t* /*phaseCount*/,
                    const int64_t* /*phase*/, const int64_t* /*setting1*/,
                    const int64_t* /*setting2*/, const int64_t* /*methodSet*/,
                    const double* /*tolerance*/, const int64_t* /*iterations*/, int64_t* status) {
    Write<int64_t>(status, brixel::host::flash_status::kRefused);
    Write<int64_t>(targetRealPosition, 0);
    const int64_t n = Read(count);
    if (beads == nullptr || n < 1 || n > kMaxSubstreams) {
        Write<int64_t>(status, brixel::host::flash_status::kBadInput);
        return;
    }
    ServeVoid([&](Impl& impl) {
        int64_t position = 0;
        const int64_t result = brixel::host::MixStreams(
            impl, std::vector<int64_t>(beads, beads + n), Read(classPosition), position);
        Write(targetRealPosition, position);
        Write(status, result);
    });
}

void HostMoistureComponents(int64_t* location, int64_t* count) {
    Write<int64_t>(location, 0);
    Write<int64_t>(count, 0);
    ServeVoid([&](Impl& impl) {
        Write(location, impl.thermo.moistureComponentsPosition);
        Write(count, impl.thermo.moistureComponentsCount);
    });
}

// This host's melting temperatures are the "TMVK" parameters as given; it does not need the
// molecular weights the caller passes.
void HostPolymerMeltTemperature(const double* /*molecularWeights*/, const int64_t* componentCount,
                                int64_t* components, double* temperatures, int64_t* listed) {
    Write<int64_t>(listed, 0);
    if (components == nullptr || temperatures == nullptr) {
        return;
    }
    ServeVoid([&](Impl& impl) {
        const auto limit =
            std::min<int64_t>(Read(componentCount), static_cast<int64_t>(impl.components.size()));
        int64_t found = 0;
        for (int64_t k = 0; k < limit; ++k) {
            const auto& parameters = impl.components[static_cast<std::size_t>(k)].parameters;
            const auto melt = parameters.find("TMVK");
            if (melt == parameters.end() || !(melt->second.front() > 0.0)) {
                continue;
            }
            components[found] = k + 1;
            temperatures[found] = melt->second.front();
            ++found;
        }
        Write(listed, found);
    });
}

}  // extern "C"
