#include "brixel/exports/growth_exports.h"

#include "brixel/models/growth/adjust_psd_call.h"

namespace {

constexpr int64_t kFailed = 2;

void AdjustPsd(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
               double* realParameters, const int64_t* inletCount, const int64_t* inlets,
               const int64_t* outlet, const int64_t* indexTable, int64_t* result) {
    if (!result) {
        return;
    }
    *result = kFailed;
    if (!statusBlock || !methodSet || !intParameters || !realParameters || !inletCount ||
        *inletCount < 1 || !inlets || !outlet || !indexTable) {
        return;
    }
    try {
        *result = brixel::RunAdjustPsd({statusBlock, methodSet, intParameters, realParameters,
                                        *inletCount, inlets, *outlet, indexTable});
    } catch (...) {
        *result = kFailed;
    }
}

}  // namespace

extern "C" void BXUT_ADJPSD(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                            double* realParameters, const int64_t* inlet, const int64_t* outlet,
                            const int64_t* indexTable, const int64_t* /*unused*/, int64_t* result) {
    const int64_t one = 1;
    AdjustPsd(statusBlock, methodSet, intParameters, realParameters, &one, inlet, outlet,
              indexTable, result);
}

extern "C" void BXUT_ADJPSD_MIX(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                                double* realParameters, const int64_t* inletCount,
                                const int64_t* inlets, const int64_t* outlet,
                                const int64_t* indexTable, const int64_t* /*unused*/,
                                int64_t* result) {
    AdjustPsd(statusBlock, methodSet, intParameters, realParameters, inletCount, inlets, outlet,
              indexTable, result);
}
