#include "brixel/exports/plex_exports.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "brixel/framework/component_table.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "brixel/messages/history.h"

namespace {

namespace plex = brixel::plex;
namespace records = brixel::records;

constexpr int kHistoryWords = records::WordsForCharacters(records::kHistoryChars);

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

// Copies text (at most capacity - 1 characters) and a NUL into a buffer of `capacity` bytes.
void WriteText(char* buffer, const std::string& text, std::size_t capacity) {
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// Writes component text into a caller's buffer of `capacity` bytes; empty when the text
// cannot be had.
template <typename Text>
void WriteComponentText(char* buffer, std::size_t capacity, Text text) {
    if (!buffer) {
        return;
    }
    buffer[0] = '\0';
    Guarded([&] { WriteText(buffer, text(), capacity); });
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
    WriteComponentText(buffer, records::kIdChars + 1,
                       [&] { return brixel::ConventionalComponentId(index); });
}

void componentIdNC(int64_t index, char* buffer) {
    WriteComponentText(buffer, records::kIdChars + 1,
                       [&] { return brixel::NonconventionalComponentId(index); });
}

void componentFormula(int64_t index, char* buffer) {
    WriteComponentText(buffer, records::kFormulaChars + 1,
                       [&] { return brixel::ComponentFormula(index); });
}

void componentCASN(int64_t index, char* buffer) {
    WriteComponentText(buffer, records::kCasChars + 1, [&] { return brixel::ComponentCas(index); });
}

double componentProperty(const char* parameter, const char* componentId) {
    return Guarded<double>(brixel::RealMissingValue(), [&] {
        if (!parameter || !componentId) {
            return brixel::RealMissingValue();
        }
        return brixel::ComponentParameterById(parameter, componentId);
    });
}

double COMPMW(const int64_t* index) {
    return Guarded<double>(brixel::RealMissingValue(), [&] {
        return index ? brixel::ComponentMolecularWeight(*index) : brixel::RealMissingValue();
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
    return brixel::RealMissingValue();
}

double GETRMIN() {
    return brixel::SmallestReal();
}

int64_t GETIMISS() {
    return brixel::IntegerMissingValue();
}

void GETFLASHLIMITS(double* tMin, double* tMax, double* pMin, double* pMax) {
    brixel::FlashLimits limits{};
    if (!brixel::ReadFlashLimits(limits)) {
        return;
    }
    const std::pair<double*, double> values[] = {{tMin, limits.temperatureMin},
                                                 {tMax, limits.temperatureMax},
                                                 {pMin, limits.pressureMin},
                                                 {pMax, limits.pressureMax}};
    for (const auto& [out, value] : values) {
        if (out) {
            *out = value;
        }
    }
}

void GETNCOMPNCC(int64_t* count) {
    if (count) {
        *count = brixel::ConventionalComponentCount();
    }
}

void GETNCOMPNNCC(int64_t* count) {
    if (count) {
        *count = brixel::NonconventionalComponentCount();
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
    Guarded([&] { *result = brixel::MoisturePosition(*streamBead, *substream, *position); });
}

double FERF(const double* x) {
    if (!x || std::isnan(*x)) {
        return brixel::RealMissingValue();
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
