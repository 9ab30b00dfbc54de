#pragma once

// Procedural entry points of the grade-efficiency curves. Every argument by reference,
// integers 64-bit. None lets an exception out.

#include <cstdint>

#include "brixel/framework/export.h"

extern "C" {

// Grade efficiencies of `classCount` classes from n measured points (sizes x ascending, m;
// efficiencies as fractions). mode 0 linear interpolation, 1 spline, 2 spline in transformed
// coordinates, 3 fitting of the models whose bits `option` sets (modes 1, 2: the spline
// selector); another mode computes nothing. The grid holds the class values (gridSize ==
// classCount) or the class boundaries (gridSize == classCount + 1). chosenModel and
// parameters (4 values) may be null; statusBlock may be null (no messages). fallback: 0 the
// requested way, 1 too few points (linear used), 2 fitting or evaluation failed (linear
// used), 3 unusable data or arguments (results untouched).
BRIXEL_API void BXUT_SEPEFFINT(const int64_t* mode, const int64_t* option, const int64_t* n,
                               const double* x, const double* efficiencies, const int64_t* gridSize,
                               const int64_t* classCount, const double* grid, double* results,
                               int64_t* chosenModel, double* parameters, int64_t* fallback,
                               int64_t* statusBlock);

// Grade-efficiency curves of the product against the feed (stream beads of one class) into
// the table: row s (stride values) for substream s, the row after the last substream for the
// overall curve; class, efficiency and density columns count from 1 (density 0 or -1: none).
// Returns 0, or a failure status (beads that are not streams of one class, blocks that do
// not fit the stride, a null argument) with nothing written.
BRIXEL_API int64_t BXUT_GNSEFF(const int64_t* feed, const int64_t* product, const int64_t* stride,
                               const int64_t* classColumn, const int64_t* efficiencyColumn,
                               double* table, const int64_t* densityColumn);

// Writes the grade-efficiency curves of the product against the feed into the host's report
// and the block summary under the block ID (2 packed words). status: 0, or a failure status
// (beads that are not streams of one class, a null argument).
BRIXEL_API void BXUT_SEPEFF(const int64_t* blockId, const int64_t* feed, const int64_t* product,
                            int64_t* status);

}  // extern "C"
