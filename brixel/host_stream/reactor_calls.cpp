// The procedural entry points of the stream wrapper's reactor and adsorption calls.

#include "brixel/framework/component_table.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/host_stream/quarn_stream.h"

namespace {

namespace sv = brixel::stream_vector;

enum IntParam : std::size_t {
    kPhases = 1,
    kConvergence = 2,
    kFlashMaxIt = 3,
    kSimDiag = 5,
    kPropDiag = 6
};
enum RealParam : std::size_t { kSecondValue = 1, kFlashTolerance = 2 };
constexpr int64_t kLiquid = 2;
constexpr int64_t kVapor = 1;
constexpr int64_t kFlashPV = 3;

}  // namespace

extern "C" void BXUT_CRFLASH(int64_t* streamBead, int64_t* reactionCount, int64_t* reactions,
                             double* value, int64_t* intParams, double* realParams, int64_t* words,
                             int64_t* word) {
    if (streamBead == nullptr || reactionCount == nullptr || value == nullptr ||
        intParams == nullptr || realParams == nullptr || (*reactionCount > 0 && !reactions)) {
        return;
    }
    const int64_t mixedType = brixel::records::kMixed, first = 1;
    int64_t substream = HostLocateSubstream(streamBead, &mixedType, &first);
    double* vector = brixel::plex::RealRecord(*streamBead);
    const int64_t* counts = HostComponentCounts();
    if (substream < 1 || vector == nullptr || counts == nullptr) {
        return;
    }
    HostStreamVector(streamBead);
    const int64_t offset = HostPhaseList(streamBead, &substream);
    const int64_t components = counts[brixel::records::kCountConventional];
    const double* state = vector + offset + components;
    const double temperature = state[sv::kTemperature];
    const double pressure = state[sv::kPressure];
    const double vaporFraction = state[sv::kVaporFraction];

    int64_t kode = brixel::kFlashPQ;
    double spec1 = pressure, spec2 = 0.0;  // pressure and zero duty
    if (brixel::IsGiven(temperature)) {
        kode = brixel::kFlashTP;
        spec1 = temperature;
        spec2 = pressure;
    } else if (brixel::IsMissing(pressure)) {
        kode = kFlashPV;
        spec2 = vaporFraction;
    }
    int64_t phases = intParams[kPhases];
    int64_t phase = kVapor;
    if (phases == 1) {
        phase = vaporFraction < brixel::SmallestReal() ? kLiquid : kVapor;
    }
    const int64_t position = offset + 1;
    const int64_t options = HostGetOptionSet();
    const int64_t startCheck = 1, endCheck = 0;
    HostFpeCheck(&startCheck);
    int64_t converged = -1;
    HostReactiveFlash(vector, &position, &kode, &spec1, &spec2, &phases, &phase, reactionCount,
                      reactions, value, &intParams[kFlashMaxIt], &realParams[kFlashTolerance],
                      &realParams[kSecondValue], &intParams[kSimDiag], &intParams[kPropDiag],
                      &options, words, word, &converged);
    HostFpeCheck(&endCheck);
    intParams[kConvergence] = converged;
}

extern "C" void BXUT_KINADS(int64_t* word1, int64_t* word2, double* value1, double* value2) {
    HostKineticsAdsorption(word1, word2, value1, value2);
}
