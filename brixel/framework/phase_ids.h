#pragma once

// Phase ids of the property calls; a number 0 or above is a substream number instead.
namespace brixel {

constexpr int kPhaseVapor = -1;
constexpr int kPhaseLiquid = -2;
constexpr int kPhaseSolid = -3;
// No such phase or substream.
constexpr int kNoPhase = -9999;

}  // namespace brixel
