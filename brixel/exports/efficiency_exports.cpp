#include "brixel/exports/efficiency_exports.h"

#include <algorithm>
#include <limits>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/status.h"
#include "brixel/models/separation/efficiency_fit.h"
#include "brixel/models/separation/efficiency_report.h"

namespace {

int64_t Value(const int64_t* word) {
    return word ? *word : 0;
}

bool FitsInt(int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

extern "C" int64_t BXUT_GNSEFF(const int64_t* feed, const int64_t* product, const int64_t* stride,
                               const int64_t* classColumn, const int64_t* efficiencyColumn,
                               double* table, const int64_t* densityColumn) {
    if (!feed || !product || !stride || !classColumn || !efficiencyColumn || !densityColumn) {
        return brixel::kStatusNullPointer;
    }
    const int64_t density = *densityColumn <= 0 ? -1 : *densityColumn - 1;
    for (const int64_t value : {*feed, *product, *stride, *classColumn, *efficiencyColumn}) {
        if (!FitsInt(value)) {
            return brixel::kStatusInvalidArgument;
        }
    }
    if (!FitsInt(density)) {
        return brixel::kStatusInvalidArgument;
    }
    try {
        brixel::plex::SetupFromHost();
        return CBrixelBaseUnit::StaticGenSepEffCurvesUnit(
            static_cast<int>(*feed), static_cast<int>(*product), static_cast<int>(*stride),
            static_cast<int>(*classColumn - 1), static_cast<int>(*efficiencyColumn - 1), table,
            static_cast<int>(density), nullptr);
    } catch (...) {
        return brixel::kStatusFail;
    }
}

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

extern "C" void BXUT_SEPEFF(const int64_t* blockId, const int64_t* feed, const int64_t* product,
                            int64_t* status) {
    long result = brixel::kStatusNullPointer;
    if (blockId && feed && product) {
        try {
            result = brixel::ReportEfficiencyCurves(blockId, *feed, *product);
        } catch (...) {
            result = brixel::kStatusFail;
        }
    }
    if (status) {
        *status = result;
    }
}
