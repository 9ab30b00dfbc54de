#pragma once

#include <cstdint>

namespace brixel {

// Results of the host's last flash in its stream-work data: the listed components (1-based
// numbers), result arrays A, B, C, D and beta. Addresses point into the plex.
struct FlashWork {
    int64_t count = 0;
    int64_t* components = nullptr;
    double* a = nullptr;
    double* b = nullptr;
    double* c = nullptr;
    double* d = nullptr;
    double beta = 0.0;
};

// False when the host has no stream-work data; `work` is then left alone.
bool ReadFlashWork(FlashWork& work);

}  // namespace brixel
