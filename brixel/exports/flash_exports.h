#pragma once

#include <cstdint>

#include "brixel/framework/export.h"

extern "C" {

// Results of the host's last flash, read from its stream-work data: the number of listed
// components, the address of their 1-based numbers, the addresses of result arrays A, B, C, D
// and the value beta. A null output is skipped.
BRIXEL_API void FlashResults(int64_t* count, int64_t** components, double** a, double** b,
                             double** c, double** d, double* beta);

}  // extern "C"
