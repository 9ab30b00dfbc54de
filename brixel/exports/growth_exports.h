#pragma once

// Procedural entry points of the particle-growth model. Every argument by reference,
// integers 64-bit. None lets an exception out.

#include <cstdint>

#include "brixel/framework/export.h"

extern "C" {

// Adjusts the outlet's PSD (the outlet carrying the new solids mass) to the inlet's grown or
// shrunk particles at constant number. indexTable word 0: the 0-based position of the growth
// method in intParameters. unused: not read. result: 0 success, 1 warnings, 2 errors or bad
// arguments.
BRIXEL_API void BXUT_ADJPSD(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                            double* realParameters, const int64_t* inlet, const int64_t* outlet,
                            const int64_t* indexTable, const int64_t* unused, int64_t* result);
// As BXUT_ADJPSD with several inlets, whose solids are mixed first.
BRIXEL_API void BXUT_ADJPSD_MIX(int64_t* statusBlock, int64_t* methodSet, int64_t* intParameters,
                                double* realParameters, const int64_t* inletCount,
                                const int64_t* inlets, const int64_t* outlet,
                                const int64_t* indexTable, const int64_t* unused, int64_t* result);

}  // extern "C"
