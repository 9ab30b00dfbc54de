#include "brixel/exports/distribution_exports.h"

#include "brixel/models/distribution/distribution_curves.h"
#include "brixel/models/distribution/evaluate_distribution.h"
#include "brixel/models/distribution/set_psd_call.h"

namespace {

constexpr int64_t kFailed = 2;

void SetPsd(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
            double* realParameters, const int64_t* inletCount, const int64_t* inlets,
            const int64_t* outlet, const int64_t* indexTable, const int64_t* resultTable,
            int64_t* result, const int64_t* estimate) {
    if (!result) {
        return;
    }
    *result = kFailed;
    if (!statusBlock || !methodSet || !intParameters || !realParameters || !inletCount ||
        *inletCount < 1 || !inlets || !outlet || !indexTable || !estimate) {
        return;
    }
    try {
        *result = brixel::RunSetPsd({{statusBlock, methodSet, intParameters, realParameters,
                                      *inletCount, inlets, *outlet, indexTable},
                                     resultTable,
                                     *estimate});
    } catch (...) {
        *result = kFailed;
    }
}

}  // namespace

extern "C" void EVALDISTRFUNC(double* fractions, const int64_t* intervals, const double* boundaries,
                              const int64_t* type, const double* ggsExponent, const double* xmax,
                              const double* rrsbDispersion, const double* steepness,
                              const double* d63, const double* d50, const double* logNormalSigma,
                              const double* normalSigma, int64_t* statusBlock, int64_t* status) {
    if (!status) {
        return;
    }
    *status = 0;
    if (!type || *type < brixel::kDistributionGgs || *type > brixel::kDistributionNormal) {
        return;
    }
    if (!fractions || !intervals || !boundaries || !ggsExponent || !xmax || !rrsbDispersion ||
        !steepness || !d63 || !d50 || !logNormalSigma || !normalSigma) {
        *status = kFailed;
        return;
    }
    try {
        brixel::EvaluateDistributionFunction(
            {*type, *ggsExponent, *xmax, *rrsbDispersion, *steepness, *d63, *d50, *logNormalSigma,
             *normalSigma},
            *intervals, boundaries, fractions, statusBlock, status);
    } catch (...) {
        *status = kFailed;
    }
}

extern "C" void BXUT_SETPSD(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                            double* realParameters, const int64_t* inlet, const int64_t* outlet,
                            const int64_t* indexTable, const int64_t* resultTable, int64_t* result,
                            const int64_t* estimate) {
    const int64_t one = 1;
    SetPsd(statusBlock, methodSet, intParameters, realParameters, &one, inlet, outlet, indexTable,
           resultTable, result, estimate);
}

extern "C" void BXUT_SETPSD_MIX(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                                double* realParameters, const int64_t* inletCount,
                                const int64_t* inlets, const int64_t* outlet,
                                const int64_t* indexTable, const int64_t* resultTable,
                                int64_t* result, const int64_t* estimate) {
    SetPsd(statusBlock, methodSet, intParameters, realParameters, inletCount, inlets, outlet,
           indexTable, resultTable, result, estimate);
}
