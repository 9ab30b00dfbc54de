// The host services of brixel/framework/host_interface.h, served by the current
// SubstituteHost. Without a host they answer null, 0 or a negative status; no exception
// leaves these functions.

#include <algorithm>
#include <cstring>

#include "brixel/framework/host_interface.h"
#include "host/host_service.h"

using brixel::host::service::Impl;
using brixel::host::service::Name;
using brixel::host::service::Read;
using brixel::host::service::Serve;
using brixel::host::service::ServeVoid;
using brixel::host::service::Write;
namespace records = brixel::records;

extern "C" {

// ---- shared data ---------------------------------------------------------------------------

int64_t* HostPlex(int64_t* words) {
    Write<int64_t>(words, 0);
    return Serve<int64_t*>(nullptr, [&](Impl& impl) {
        Write(words, static_cast<int64_t>(impl.plex.Capacity()));
        return impl.plex.Integers();
    });
}

int64_t* HostGlobals() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.globals.data(); });
}

double* HostRealGlobals() {
    return Serve<double*>(nullptr, [](Impl& impl) { return impl.realGlobals.data(); });
}

int64_t* HostComponentCounts() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.componentCounts.data(); });
}

int64_t* HostPropertyTable() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.propertyTable.data(); });
}

int64_t* HostOffsetCommon() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.offsetCommon.data(); });
}

int64_t* HostErrorBuffer(int64_t* lines) {
    Write<int64_t>(lines, 0);
    return Serve<int64_t*>(nullptr, [&](Impl& impl) {
        Write<int64_t>(lines, brixel::host::kErrorBufferLines);
        return impl.errorBuffer.data();
    });
}

// ---- lookups -------------------------------------------------------------------------------

int64_t HostLocateIds(const int64_t* bead) {
    return Serve<int64_t>(0, [&](Impl& impl) {
        const auto* place = impl.Find(Read(bead));
        return place == nullptr ? 0 : place->integerPosition;
    });
}

int64_t HostLocateRealData(const int64_t* bead) {
    return Serve<int64_t>(0, [&](Impl& impl) {
        const auto* place = impl.Find(Read(bead));
        return place == nullptr ? 0 : place->realPosition;
    });
}

void HostLocateModelData(const int64_t* bead, int64_t* intPosition, int64_t* realPosition) {
    Write<int64_t>(intPosition, 0);
    Write<int64_t>(realPosition, 0);
    ServeVoid([&](Impl& impl) {
        if (const auto* place = impl.Find(Read(bead))) {
            Write(intPosition, place->integerPosition);
            Write(realPosition, place->realPosition);
        }
    });
}

int64_t HostComponentDataOffset(const int64_t* name) {
    return Serve<int64_t>(0, [&](Impl& impl) {
        const auto found = impl.parameters.find(Name(name, records::kIdChars));
        return found == impl.parameters.end() ? 0 : found->second.offset;
    });
}

int64_t HostCommonDataOffset(const int64_t* name) {
    return Serve<int64_t>(0, [&](Impl& impl) {
        const std::string key = Name(name, records::kIdChars);
        const auto found = impl.commonBlocks.find(key);
        return found == impl.commonBlocks.end() || impl.hiddenCommonBlocks.count(key) != 0
                   ? 0
                   : found->second;
    });
}

int64_t HostComponentIndexFromId(const int64_t* id) {
    if (id == nullptr) {
        return 0;
    }
    return Serve<int64_t>(
        0, [&](Impl& impl) { return impl.ComponentIndexFromId(Name(id, records::kIdChars)); });
}

int64_t HostComponentIndexFromCas(const int64_t* number, int64_t* cas) {
    if (number == nullptr || cas == nullptr) {
        return 0;
    }
    return Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        const int64_t k = *number;
        if (k == 0) {
            return impl.ComponentIndexFromCas(Name(cas, records::kCasChars));
        }
        if (k < 0 || k > static_cast<int64_t>(impl.components.size())) {
            return 0;
        }
        constexpr int kCasWords = records::kCasChars / 4;
        if (impl.componentsLaidOut) {
            const int64_t* entry = &impl.plex.Integer(impl.casTablePosition + kCasWords * (k - 1));
            std::copy(entry, entry + kCasWords, cas);
        } else {
            const auto words = brixel::host::PackText(impl.CasOf(k), records::kCasChars);
            std::copy(words.begin(), words.end(), cas);
        }
        return k;
    });
}

// ---- work memory ---------------------------------------------------------------------------

void HostAllocate(const int64_t* kind, const int64_t* length, int64_t* bead, int64_t* status) {
    Write<int64_t>(bead, 0);
    Write<int64_t>(status, -1);
    if (kind == nullptr || length == nullptr || bead == nullptr || status == nullptr) {
        return;
    }
    ServeVoid([&](Impl& impl) {
        int64_t result = -1;
        const int64_t made = impl.AllocateStream(*kind, *length, result);
        *bead = made;
        *status = result;
    });
}

void HostFree(const int64_t* bead) {
    ServeVoid([&](Impl& impl) { impl.FreeAllocatedStream(Read(bead)); });
}

// ---- messages ------------------------------------------------------------------------------

int64_t HostErrorLevelCheck(const int64_t* tag, const int64_t* level, const int64_t* code,
                            const int64_t* printLevel, const int64_t* word1, const int64_t* word2,
                            const int64_t* word3, const int64_t* word4) {
    return Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        brixel::host::LevelCheckCall call{Name(tag, records::kIdChars),
                                          Read(level),
                                          Read(code),
                                          Read(printLevel),
                                          {Read(word1), Read(word2), Read(word3), Read(word4)},
                                          false};
        return impl.CheckLevel(std::move(call)) ? 1 : 0;
    });
}

void HostPrintErrors(const int64_t* lines) {
    ServeVoid([&](Impl& impl) { impl.PrintErrors(Read(lines)); });
}

// Pure packing: works with or without a host.
void HostStringToHollerith(const char* text, const int64_t* length, int64_t* words) {
    if (length == nullptr || words == nullptr || *length <= 0 || *length > INT32_MAX) {
        return;
    }
    try {
        const auto characters = static_cast<std::size_t>(*length);
        const std::string source =
            text == nullptr ? std::string() : std::string(text, strnlen(text, characters));
        const auto packed = brixel::host::PackText(source, static_cast<int>(characters));
        std::copy(packed.begin(), packed.end(), words);
    } catch (...) {
    }
}

void HostWriteRecord(const int64_t* unit, const int64_t* words, const int64_t* count) {
    ServeVoid([&](Impl& impl) { impl.WriteRecord(Read(unit), words, Read(count)); });
}

// ---- stream structure ----------------------------------------------------------------------

int64_t HostSubstreamType(const int64_t* streamBead, const int64_t* substream) {
    return Serve<int64_t>(0, [&](Impl& impl) -> int64_t {
        const auto* streamClass = impl.ClassOfStream(Read(streamBead));
        const int64_t k = Read(substream);
        if (streamClass == nullptr || k < 1 ||
            k > static_cast<int64_t>(streamClass->substreams.size())) {
            return 0;
        }
        return streamClass->substreams[static_cast<std::size_t>(k - 1)].type;
    });
}

int64_t HostPhaseList(const int64_t* streamBead, const int64_t* substream) {
    return Serve<int64_t>(-1, [&](Impl& impl) -> int64_t {
        const auto* streamClass = impl.ClassOfStream(Read(streamBead));
        const int64_t k = Read(substream);
        if (streamClass == nullptr || k < 1 ||
            k > static_cast<int64_t>(streamClass->substreams.size())) {
            return -1;
        }
        return streamClass->substreams[static_cast<std::size_t>(k - 1)].offset;
    });
}

// ---- flash ---------------------------------------------------------------------------------

int64_t* HostStreamWorkCommon() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.streamWork.data(); });
}

int64_t* HostStreamWorkCommon2() {
    return Serve<int64_t*>(nullptr, [](Impl& impl) { return impl.streamWork2.data(); });
}

// ---- properties and set-up -----------------------------------------------------------------

int64_t HostPolymerAttributes() {
    return Serve<int64_t>(0, [](Impl& impl) { return impl.polymerDescriptorBead; });
}

void HostConvSolidComponents(int64_t* location, int64_t* count) {
    Write<int64_t>(location, 0);
    Write<int64_t>(count, 0);
    ServeVoid([&](Impl& impl) {
        Write(location, impl.solidListPosition);
        Write(count, impl.solidCount);
    });
}

double HostAmbientPressure() {
    return Serve<double>(0.0, [](Impl& impl) { return impl.ambientPressure; });
}

void HostInquireDynamic(double* value1, double* value2, double* value3, double* value4,
                        double* value5, int64_t* flags) {
    double* values[] = {value1, value2, value3, value4, value5};
    for (double* value : values) {
        Write(value, 0.0);
    }
    Write<int64_t>(flags, 0);
    ServeVoid([&](Impl& impl) {
        for (std::size_t i = 0; i < impl.dynamicValues.size(); ++i) {
            Write(values[i], impl.dynamicValues[i]);
        }
        Write(flags, impl.dynamicFlags);
    });
}

}  // extern "C"
