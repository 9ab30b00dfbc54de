#include "brixel/exports/efficiency_exports.h"

#include <algorithm>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/models/separation/efficiency_fit.h"

namespace {

int64_t Value(const int64_t* word) {
    return word ? *word : 0;
}

}  // namespace

extern "C" void BXUT_SEPEFFINT(const int64_t* mode, const int64_t* option, const int64_t* n,
                               const double* x, const double* efficiencies, const int64_t* gridSize,
                               const int64_t* classCount, const double* grid, double* results,
                               int64_t* chosenModel, double* parameters, int64_t* fallback,
                               int64_t* statusBlock) {
    try {
        CBrixelBaseUnit::RefreshMarkers();
        brixel::EfficiencyOutcome outcome;
        outcome.chosenModel = CBrixelBaseUnit::m_nIMiss;
        outcome.parameters.fill(CBrixelBaseUnit::m_dblRMiss);
        if (!mode || !n || !gridSize || !classCount) {
            outcome.fallback = brixel::kEfficiencyBadInput;
        } else {
            const brixel::EfficiencyRequest request{*mode,       Value(option), *n,
                                                    x,           efficiencies,  *gridSize,
                                                    *classCount, grid,          statusBlock};
            outcome = brixel::CalculateGradeEfficiencies(request, results);
        }
        if (chosenModel) {
            *chosenModel = outcome.chosenModel;
        }
        if (parameters) {
            std::copy(outcome.parameters.begin(), outcome.parameters.end(), parameters);
        }
        if (fallback) {
            *fallback = outcome.fallback;
        }
    } catch (...) {
        if (fallback) {
            *fallback = brixel::kEfficiencyBadInput;
        }
    }
}
