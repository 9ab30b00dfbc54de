// The flash services of brixel/framework/host_interface.h: flash, work-array sizes and the
// equilibrium results kept with streams.

#include <algorithm>
#include <chrono>
#include <set>

#include "brixel/framework/host_interface.h"
#include "host/host_service.h"
#include "host/stream_flash.h"

namespace brixel::host {

int64_t SubstituteHost::Impl::StreamOfVector(const double* vector) {
    if (vector == nullptr) {
        return 0;
    }
    for (const auto* beads : {&builderStreams, &allocatedStreams}) {
        for (const int64_t bead : *beads) {
            if (RealWords(bead) == vector) {
                return bead;
            }
        }
    }
    return 0;
}

namespace {
using Impl = SubstituteHost::Impl;
namespace status = flash_status;
}  // namespace

int64_t FlashVector(Impl& impl, const FlashRequest& request) {
    const int64_t bead = impl.StreamOfVector(request.vector);
    const Impl::StreamClass* streamClass = bead == 0 ? nullptr : impl.ClassOfStream(bead);
    if (streamClass == nullptr || streamClass->information || request.count < 1 ||
        request.positions == nullptr || request.types == nullptr) {
        return status::kBadInput;
    }
    ReserveResults(impl);  // before the flash: afterwards nothing may fail
    const ComponentModels models = ModelsOf(impl);
    std::vector<SubstreamSlice> slices;
    std::set<std::size_t> listed;
    for (int64_t j = 0; j < request.count; ++j) {
        const auto& substreams = streamClass->substreams;
        const auto found = std::find_if(substreams.begin(), substreams.end(), [&](const auto& s) {
            return s.offset + 1 == request.positions[j] && s.type == request.types[j];
        });
        if (found == substreams.end() ||
            !listed.insert(static_cast<std::size_t>(found - substreams.begin())).second) {
            return status::kBadInput;
        }
        slices.push_back(SliceOf(*found, request.vector, models));
    }
    Flash flash(slices, LimitsOf(impl));
    const int64_t result = flash.Run(request.kode, request.spec1, request.spec2, request.spec3);
    if (result == status::kOk && listed.count(0) != 0) {
        const bool firstIsMixed =
            flash.MixedSlice() >= 0 && slices[flash.MixedSlice()].start == request.vector;
        PublishResults(impl, firstIsMixed ? ResultsOf(flash.Split()) : EquilibriumResults{},
                       request.vector);
    }
    return result;
}

}  // namespace brixel::host

using brixel::host::service::Impl;
using brixel::host::service::kMaxSubstreams;
using brixel::host::service::Read;
using brixel::host::service::ServeVoid;
using brixel::host::service::Write;
namespace flash_status = brixel::host::flash_status;

extern "C" {

void HostStreamReturn(const int64_t* substreams, int64_t* realWork, int64_t* intWork) {
    const int64_t n = std::clamp<int64_t>(Read(substreams), 0, kMaxSubstreams);
    Write<int64_t>(realWork, 0);
    Write<int64_t>(intWork, 0);
    ServeVoid([&](Impl&) {
        Write<int64_t>(realWork, 64 * (n + 1));
        Write<int64_t>(intWork, 16 * (n + 1));
    });
}

void HostFlash(double* streamVector, const int64_t* substreams, const int64_t* positions,
               const int64_t* types, const int64_t* /*methodSet*/, const int64_t* kode,
               const int64_t* phaseCount, const int64_t* phase, const int64_t* iterations,
               const double* tolerance, const double* spec1, const double* spec2,
               const double* spec3, const int64_t* printLevel, const int64_t* printLevel2,
               const int64_t* /*flag1*/, const int64_t* /*flag2*/, double* /*realWork*/,
               int64_t* /*intWork*/, int64_t* status) {
    Write<int64_t>(status, flash_status::kRefused);
    ServeVoid([&](Impl& impl) {
        brixel::host::FlashCall call{};
        call.kode = Read(kode);
        call.spec1 = Read(spec1);
        call.spec2 = Read(spec2);
        call.spec3 = Read(spec3);
        const int64_t count = std::clamp<int64_t>(Read(substreams), 0, kMaxSubstreams);
        if (positions != nullptr) {
            call.positions.assign(positions, positions + count);
        }
        call.phaseCount = Read(phaseCount);
        call.phase = Read(phase);
        call.iterations = Read(iterations);
        call.tolerance = Read(tolerance);
        call.printLevel = Read(printLevel);
        call.printLevel2 = Read(printLevel2);
        impl.flashCalls.push_back(call);
        impl.flashCommon[0] = call.kode;
        impl.flashCommon[1] = flash_status::kRefused;
        ++impl.flashCommon[2];
        if (impl.refuseFlash || (impl.refuseFlashWhen && impl.refuseFlashWhen(call))) {
            return;
        }
        if (spec1 == nullptr || spec2 == nullptr || spec3 == nullptr || kode == nullptr ||
            substreams == nullptr || *substreams != count) {
            Write(status, flash_status::kBadInput);
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const int64_t result = brixel::host::FlashVector(
            impl,
            {streamVector, count, positions, types, call.kode, call.spec1, call.spec2, call.spec3});
        Write(status, result);
        impl.flashCommon[1] = result;
        impl.flashSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
}

// Keeps the results of the last flash with the stream when they are that stream's; otherwise
// the stream keeps none (results of another stream must not be passed off as its own).
void HostStoreEquilibrium(const int64_t* streamBead) {
    if (streamBead == nullptr) {
        return;
    }
    ServeVoid([&](Impl& impl) {
        impl.storedEquilibria.push_back(*streamBead);
        auto& thermo = impl.thermo;
        const double* vector =
            impl.ClassOfStream(*streamBead) ? impl.RealWords(*streamBead) : nullptr;
        if (vector != nullptr && vector == thermo.resultsOwner) {
            thermo.stored[*streamBead] = thermo.lastResults;
        } else {
            thermo.stored.erase(*streamBead);
        }
    });
}

void HostGetStoredEquilibrium(const double* streamVector, int64_t* found) {
    Write<int64_t>(found, 0);
    ServeVoid([&](Impl& impl) {
        const int64_t bead = impl.StreamOfVector(streamVector);
        const auto stored = impl.thermo.stored.find(bead);
        if (bead == 0 || stored == impl.thermo.stored.end()) {
            return;
        }
        brixel::host::PublishResults(impl, stored->second, streamVector);
        Write<int64_t>(found, 1);
    });
}

}  // extern "C"
