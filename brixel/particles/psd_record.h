#pragma once

#include <cstdint>

#include "brixel/framework/stream_class.h"

namespace brixel {

// The first "PSD" attribute of a substream, addressed in place.
struct PsdRef {
    int64_t intervals = 0;
    double* fractions = nullptr;  // in the stream vector; null when no vector was given
    double* mesh = nullptr;       // intervals + 1 boundaries in the attribute's real record
};

// The substream's first PSD; no intervals when it has none or its record does not fit the
// stream vector.
PsdRef FirstPsd(const StreamClassView& view, double* vector, int64_t substream);

}  // namespace brixel
