#pragma once

#include <cstdint>

// Named positions inside one substream of a stream vector. A substream starts at its offset;
// its n component flows (n = NNCC for an NC substream, NCC otherwise) come first, then the
// state block below, then the PSD and component attributes.
namespace brixel::stream_vector {

constexpr int64_t kTotalFlow = 0;        // kmol/s
constexpr int64_t kTemperature = 1;      // K
constexpr int64_t kPressure = 2;         // Pa
constexpr int64_t kEnthalpy = 3;         // J/kg
constexpr int64_t kVaporFraction = 4;    // mole fraction
constexpr int64_t kLiquidFraction = 5;   // mole fraction
constexpr int64_t kEntropy = 6;          // J/(kg K)
constexpr int64_t kDensity = 7;          // kg/m3
constexpr int64_t kMolecularWeight = 8;  // kg/kmol
constexpr int64_t kStateWords = 9;       // attributes start at n + kStateWords

// Position of a state entry of a substream at `offset` with `components` component flows.
constexpr int64_t StatePosition(int64_t offset, int64_t components, int64_t entry) {
    return offset + components + entry;
}

}  // namespace brixel::stream_vector
