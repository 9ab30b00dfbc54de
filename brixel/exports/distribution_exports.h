#pragma once

// Procedural entry points of the distribution models. Every argument by reference, integers
// 64-bit. None lets an exception out.

#include <cstdint>

#include "brixel/framework/export.h"

extern "C" {

// Interval fractions (N values) of a closed-form distribution (type 1 GGS, 2 RRSB,
// 3 log-normal, 4 normal; any other type returns at once) on N + 1 boundaries (m). status: 0
// on entry, then the normalization status (0, 1, 2) after success; 2 after any failure or a
// null argument, with the output untouched.
BRIXEL_API void EVALDISTRFUNC(double* fractions, const int64_t* intervals, const double* boundaries,
                              const int64_t* type, const double* ggsExponent, const double* xmax,
                              const double* rrsbDispersion, const double* steepness,
                              const double* d63, const double* d50, const double* logNormalSigma,
                              const double* normalSigma, int64_t* statusBlock, int64_t* status);

// Sets the PSD of the outlet (holding the feed) from the block's parameters through the index
// table (12 words) and writes the result table's values (4 words). result: 0 success,
// 1 warnings, 2 errors or bad arguments. estimate 1: the PSD is an estimate.
BRIXEL_API void BXUT_SETPSD(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                            double* realParameters, const int64_t* inlet, const int64_t* outlet,
                            const int64_t* indexTable, const int64_t* resultTable, int64_t* result,
                            const int64_t* estimate);
// As BXUT_SETPSD with several inlets, whose solids are mixed first.
BRIXEL_API void BXUT_SETPSD_MIX(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                                double* realParameters, const int64_t* inletCount,
                                const int64_t* inlets, const int64_t* outlet,
                                const int64_t* indexTable, const int64_t* resultTable,
                                int64_t* result, const int64_t* estimate);

}  // extern "C"
