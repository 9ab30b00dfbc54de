#include "brixel/exports/plex_exports.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "brixel/messages/history.h"

namespace {

namespace plex = brixel::plex;
namespace records = brixel::records;

constexpr int kFormulaWords = 3;
constexpr int kIdWords = 2;
constexpr int kCasWords = 4;
constexpr int kHistoryWords = records::kHistoryChars / 4;
// Moisture slot: past the component flows and the 9 state words of the substream.
constexpr int64_t kMoistureStateWords = 9;

// Runs `body`, turning any exception into `fallback`: nothing may unwind into the host.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void Guarded(Body body) {
    try {
        body();
    } catch (...) {
    }
}

double RealMissing() {
    const double* reals = HostRealGlobals();
    return reals ? reals[records::kRealGlobalMissing] : CBrixelBaseUnit::m_dblRMiss;
}

int64_t ComponentCount(int which) {
    const int64_t* counts = HostComponentCounts();
    return counts ? counts[which] : 0;
}

// Copies text (at most capacity - 1 characters) and a NUL into a buffer of `capacity` bytes.
void WriteText(char* buffer, const std::string& text, std::size_t capacity) {
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// Unpacks `characters` characters from plex words IB(first) ... ; empty outside the store.
std::string UnpackPlex(int64_t first, int characters) {
    const int words = (characters + 3) / 4;
    if (!plex::IntAt(first) || !plex::IntAt(first + words - 1)) {
        return {};
    }
    return plex::Unpack(plex::IntAt(first), characters);
}

std::string ComponentIdText(int64_t index, int table, int count) {
    if (index < 0 || index >= ComponentCount(count)) {
        return {};
    }
    const int64_t* tables = HostPropertyTable();
    if (!tables || tables[table] <= 0) {
        return {};
    }
    return UnpackPlex(tables[table] + 1 + kIdWords * index, records::kIdChars);
}

// Writes the ID of a conventional or non-conventional component; empty for a bad index.
void WriteComponentId(int64_t index, char* buffer, int table, int count) {
    if (!buffer) {
        return;
    }
    buffer[0] = '\0';
    Guarded(
        [&] { WriteText(buffer, ComponentIdText(index, table, count), records::kIdChars + 1); });
}

// Offset of a component parameter; 0 when unknown or the name is longer than 8 characters.
int64_t ParameterOffset(const std::string& name) {
    if (name.size() > static_cast<std::size_t>(records::kIdChars)) {
        return 0;
    }
    const std::vector<int64_t> packed = plex::Pack(name, records::kIdChars);
    return HostComponentDataOffset(packed.data());
}

double ParameterValue(const std::string& name, int64_t component) {
    const int64_t offset = ParameterOffset(name);
    const double* value = offset > 0 && component > 0 ? plex::RealAt(offset + component) : nullptr;
    return value ? *value : RealMissing();
}

void WriteHistoryLine(const std::string& text) {
    brixel::WriteHistoryRecord(text, kHistoryWords);
}

}  // namespace

extern "C" {

void C_SETUP_PLEX(int64_t* integerBase, double* realBase) {
    Guarded([&] { plex::SetBases(integerBase, realBase); });
}

void SETUPCPLEX() {
    Guarded([] { plex::SetupFromHost(); });
}

int64_t* iplex_ptr(int64_t position) {
    return plex::IntAt(position);
}

double* rplex_ptr(int64_t position) {
    return plex::RealAt(position);
}

int64_t* iplex_bead(int64_t bead) {
    return Guarded<int64_t*>(nullptr, [&] { return plex::IntRecord(bead); });
}

double* rplex_bead(int64_t bead) {
    return Guarded<double*>(nullptr, [&] { return plex::RealRecord(bead); });
}

void mplex_bead(int64_t bead, int64_t** integerRecord, double** realRecord) {
    Guarded([&] {
        int64_t integerPosition = 0;
        int64_t realPosition = 0;
        HostLocateModelData(&bead, &integerPosition, &realPosition);
        if (integerRecord) {
            *integerRecord = integerPosition > 0 ? plex::IntAt(integerPosition) : nullptr;
        }
        if (realRecord) {
            *realRecord = realPosition > 0 ? plex::RealAt(realPosition) : nullptr;
        }
    });
}

int64_t ptrToIPlex(const int64_t* address) {
    return plex::PositionOf(address);
}

int64_t ptrToRPlex(const double* address) {
    return plex::PositionOf(address);
}

void componentId(int64_t index, char* buffer) {
    WriteComponentId(index, buffer, records::kPropertyTableConventionalIds,
                     records::kCountConventional);
}

void componentIdNC(int64_t index, char* buffer) {
    WriteComponentId(index, buffer, records::kPropertyTableNonconventionalIds,
                     records::kCountNonconventional);
}

void componentFormula(int64_t index, char* buffer) {
    if (!buffer) {
        return;
    }
    buffer[0] = '\0';
    Guarded([&] {
        if (index < 0 || index >= ComponentCount(records::kCountConventional)) {
            return;
        }
        const int64_t offset = ParameterOffset("FRMULA");
        if (offset <= 0) {
            return;
        }
        const std::string formula =
            UnpackPlex(offset + kFormulaWords * index + 1, records::kFormulaChars);
        WriteText(buffer, formula, records::kFormulaChars + 1);
    });
}

void componentCASN(int64_t index, char* buffer) {
    if (!buffer) {
        return;
    }
    buffer[0] = '\0';
    Guarded([&] {
        if (index < 0 || index >= ComponentCount(records::kCountConventional)) {
            return;
        }
        const int64_t number = index + 1;
        int64_t cas[kCasWords] = {};
        if (HostComponentIndexFromCas(&number, cas) != number) {
            return;
        }
        WriteText(buffer, plex::Unpack(cas, records::kCasChars), records::kCasChars + 1);
    });
}

double componentProperty(const char* parameter, const char* componentId) {
    return Guarded<double>(RealMissing(), [&] {
        if (!parameter || !componentId) {
            return RealMissing();
        }
        const std::string id(componentId);
        if (id.empty() || id.size() > static_cast<std::size_t>(records::kIdChars)) {
            return RealMissing();
        }
        const std::vector<int64_t> packed = plex::Pack(id, records::kIdChars);
        return ParameterValue(parameter, HostComponentIndexFromId(packed.data()));
    });
}

double COMPMW(const int64_t* index) {
    return Guarded<double>(RealMissing(), [&] {
        if (!index || *index < 0 || *index >= ComponentCount(records::kCountConventional)) {
            return RealMissing();
        }
        return ParameterValue("MW", *index + 1);
    });
}

void hol2s(const int64_t* words, char* buffer, int64_t n) {
    if (!buffer) {
        return;
    }
    buffer[0] = '\0';
    if (!words || n <= 0 || n > std::numeric_limits<int>::max()) {
        return;
    }
    Guarded([&] {
        const std::string text = plex::Unpack(words, static_cast<int>(n));
        WriteText(buffer, text, static_cast<std::size_t>(n) + 1);
    });
}

void WriteHistory(CString text) {
    Guarded([&] { WriteHistoryLine(text.str()); });
}

double GETRMISS() {
    return RealMissing();
}

double GETRMIN() {
    const double* reals = HostRealGlobals();
    return reals ? reals[records::kRealGlobalSmallest] : CBrixelBaseUnit::m_dblRMin;
}

int64_t GETIMISS() {
    const int64_t* globals = HostGlobals();
    return globals ? globals[records::kGlobalMissing] : CBrixelBaseUnit::m_nIMiss;
}

void GETFLASHLIMITS(double* tMin, double* tMax, double* pMin, double* pMax) {
    const double* reals = HostRealGlobals();
    if (!reals) {
        return;
    }
    const std::pair<double*, int> limits[] = {{tMin, records::kRealGlobalTemperatureMin},
                                              {tMax, records::kRealGlobalTemperatureMax},
                                              {pMin, records::kRealGlobalPressureMin},
                                              {pMax, records::kRealGlobalPressureMax}};
    for (const auto& [out, word] : limits) {
        if (out) {
            *out = reals[word];
        }
    }
}

void GETNCOMPNCC(int64_t* count) {
    if (count) {
        *count = ComponentCount(records::kCountConventional);
    }
}

void GETNCOMPNNCC(int64_t* count) {
    if (count) {
        *count = ComponentCount(records::kCountNonconventional);
    }
}

void MOISTOFF(const int64_t* streamBead, const int64_t* substream, const int64_t* position,
              int64_t* result) {
    if (!result) {
        return;
    }
    *result = -1;
    if (!streamBead || !substream || !position) {
        return;
    }
    Guarded([&] {
        const int64_t* offsets = HostOffsetCommon();
        const int64_t moistureOffset = offsets ? offsets[records::kOffsetMoisture] : 0;
        if (moistureOffset == 0) {
            return;
        }
        const int64_t* streamClass = brixel::StreamClassOfStream(*streamBead);
        if (!streamClass) {
            return;
        }
        const int64_t count = brixel::StreamClassView{streamClass}.SubstreamCount();
        if (*substream < 1 || *substream > count) {
            WriteHistoryLine("PROGRAMMING ERROR CALLING MOISTOFF - ISUB=" +
                             std::to_string(*substream));
            return;
        }
        if (HostSubstreamType(streamBead, substream) != records::kNonconventional) {
            return;
        }
        int64_t entryPosition = 0;
        if (__builtin_add_overflow(*position, moistureOffset, &entryPosition)) {
            return;
        }
        const int64_t* entry = plex::IntAt(entryPosition);
        if (!entry || *entry < 0) {
            return;
        }
        *result = ComponentCount(records::kCountNonconventional) + *entry +
                  HostPhaseList(streamBead, substream) + kMoistureStateWords;
    });
}

double FERF(const double* x) {
    if (!x || std::isnan(*x)) {
        return RealMissing();
    }
    return std::erf(*x);
}

int64_t* GetDefaultDescriptor() {
    return Guarded<int64_t*>(nullptr, []() -> int64_t* {
        const int64_t* runDescriptor = plex::IntRecord(records::kDescriptorBead);
        if (!runDescriptor) {
            return nullptr;
        }
        const int64_t* word =
            plex::IntAt(plex::PositionOf(runDescriptor) + records::kDescriptorDefault);
        return word ? plex::IntRecord(*word) : nullptr;
    });
}

}  // extern "C"
