// Ports, stream beads and internal streams of a unit.
#include <algorithm>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"

namespace rec = brixel::records;

int CBrixelBaseUnit::GetPortNumberFromName(const CString& name) {
    if (name.IsEmpty()) {
        return -1;
    }
    for (int i = 0; i < m_saPortNames.GetSize(); ++i) {
        if (m_saPortNames[i].CompareNoCase(name) == 0) {
            return i;
        }
    }
    throw brixel::kStatusInvalidArgument;
}

int CBrixelBaseUnit::GetBeadNumberFromName(const CString& name) {
    if (name.IsEmpty()) {
        return -1;
    }
    return BeadOf(GetPortNumberFromName(name));
}

int CBrixelBaseUnit::GetStreamAtPort(const CString& name) {
    return GetBeadNumberFromName(name);
}

int CBrixelBaseUnit::GetStreamAtPortNoAddRef(const CString& name) {
    return GetBeadNumberFromName(name);
}

int CBrixelBaseUnit::GetBeadForPort(int /*port*/) {
    return -1;
}

void CBrixelBaseUnit::ConvertPortToStreamBeadNumber(int& port) {
    port = BeadOf(port);
}

int CBrixelBaseUnit::ConvertPortToStreamBeadNumber(const int& port) {
    return BeadOf(port);
}

int CBrixelBaseUnit::BeadOf(int port) {
    if (port >= rec::kFirstStreamBead) {
        return port;
    }
    const int mapped = GetBeadForPort(port);
    if (mapped >= 0) {
        return mapped;
    }
    // A negative port number would index before the bead arrays: it is as unknown as one
    // past the last outlet.
    if (port >= 0 && port < m_nInlets) {
        return static_cast<int>(m_pInlets[port]);
    }
    if (port >= m_nInlets && port < m_nInlets + m_nOutlets) {
        return static_cast<int>(m_pOutlets[port - m_nInlets]);
    }
    throw brixel::kStatusInvalidArgument;
}

int64_t* CBrixelBaseUnit::StreamClassOf(int bead) const {
    const int64_t* stream = brixel::plex::IntRecord(bead);
    if (!stream) {
        return nullptr;
    }
    const int64_t classBead = stream[rec::kStreamClassBead];
    return classBead > 0 ? brixel::plex::IntRecord(classBead) : nullptr;
}

int CBrixelBaseUnit::VectorLengthOf(int bead) const {
    const int64_t* streamClass = StreamClassOf(bead);
    return streamClass ? static_cast<int>(streamClass[rec::kClassVectorLength]) : 0;
}

long CBrixelBaseUnit::CopyInletToOutlets() {
    if (m_nInlets == 0) {
        return brixel::kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        for (int j = 0; j < m_nOutlets; ++j) {
            CopyStream(static_cast<int>(m_pInlets[0]), static_cast<int>(m_pOutlets[j]));
        }
        return brixel::kStatusOk;
    });
}

long CBrixelBaseUnit::CopyInletToOutlets(const CString& inletName, const CString& outletName) {
    if (m_nInlets == 0) {
        return brixel::kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        CopyStream(GetBeadNumberFromName(inletName), GetBeadNumberFromName(outletName));
        return brixel::kStatusOk;
    });
}

int CBrixelBaseUnit::CreateInternalStream(int portOrBead) {
    const int source = BeadOf(portOrBead);
    const int64_t* sourceRecord = brixel::plex::IntRecord(source);
    const int64_t* streamClass = StreamClassOf(source);
    if (!sourceRecord || !streamClass) {
        throw brixel::kStatusInvalidArgument;
    }
    int bead = 0;
    if (m_naInternalStreams.empty() && streamClass[rec::kClassDummyStream] > 0) {
        bead = static_cast<int>(streamClass[rec::kClassDummyStream]);
        m_naInternalStreams.push_back(bead);
    } else {
        bead = AllocateInternalStream(source);
    }
    CopyStream(source, bead);
    brixel::plex::IntRecord(bead)[rec::kStreamCopiedWord] = sourceRecord[rec::kStreamCopiedWord];
    return bead;
}

int CBrixelBaseUnit::AllocateInternalStream(int source) {
    const int64_t* streamClass = StreamClassOf(source);
    const int64_t kind = rec::kRecordStream;
    const int64_t length = streamClass ? streamClass[rec::kClassVectorLength] : 0;
    int64_t allocated = 0;
    int64_t status = 0;
    HostAllocate(&kind, &length, &allocated, &status);
    int64_t* record = status >= 0 ? brixel::plex::IntRecord(allocated) : nullptr;
    if (!record) {
        // Said here, so that the caller's own failure message does not blame its calculation.
        RaiseCalculationError(3, "MEMORY FOR AN INTERNAL STREAM COULD NOT BE ALLOCATED.",
                              "BASEUNIT", false);
        throw brixel::kStatusFail;
    }
    record[rec::kStreamClassBead] = brixel::plex::IntRecord(source)[rec::kStreamClassBead];
    m_naInternalStreams.push_back(static_cast<int>(allocated));
    return static_cast<int>(allocated);
}

int CBrixelBaseUnit::CreateInternalStream(const CString& portName) {
    return CreateInternalStream(GetPortNumberFromName(portName));
}

void CBrixelBaseUnit::RemoveInternalStream(int bead) {
    const auto entry = std::find(m_naInternalStreams.begin(), m_naInternalStreams.end(), bead);
    if (entry == m_naInternalStreams.end()) {
        return;
    }
    RemoveFlashResults(bead);
    m_naInternalStreams.erase(entry);
    if (bead > rec::kAllocatedBeadBase) {
        const int64_t word = bead;
        HostFree(&word);
    }
}

long CBrixelBaseUnit::CopyInternalStreamToOutlet(const int& bead, const CString& outletName) {
    return brixel::GuardedCall([&]() -> long {
        CopyStream(bead, GetBeadNumberFromName(outletName));
        return brixel::kStatusOk;
    });
}

void CBrixelBaseUnit::DontUseStandardDummyStream() {
    if (m_naInternalStreams.empty()) {
        m_naInternalStreams.push_back(1);  // placeholder: every internal stream is allocated
    }
}

double CBrixelBaseUnit::GetMassBalanceTolerance() const {
    constexpr double kDefaultTolerance = 1e-4;
    const int64_t* options = brixel::plex::IntRecord(rec::kGlobalOptionsBead);
    if (!options) {
        return kDefaultTolerance;
    }
    const int64_t flashOptions = options[rec::kOptionsFlashOptions];
    if (flashOptions == 0 || brixel::IsMissingWord(flashOptions)) {
        return kDefaultTolerance;
    }
    const double* real = brixel::plex::RealRecord(flashOptions);
    return real ? real[rec::kFlashOptionsTolerance] : kDefaultTolerance;
}

void CBrixelBaseUnit::DumpSafeArray(CComSafeArray<double>& values) {
    values.Destroy();
}

void CBrixelBaseUnit::DumpSafeArray(CComSafeArray<BSTR>& values) {
    values.Destroy();
}

void CBrixelBaseUnit::DumpSafeArray(CComSafeArray<VARIANT>& values) {
    values.Destroy();
}

void CBrixelBaseUnit::DumpStreamBead(int /*bead*/, bool, bool, bool, bool) {}

void CBrixelBaseUnit::DumpStreamBead(const CString& /*portName*/, bool, bool, bool, bool) {}
