#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"

// Mass-weighted mixing of the particle size distributions of several solid carriers.
namespace brixel {

struct PsdMix {
    std::vector<double> mesh;      // n + 1 boundaries of the first PSD met (m)
    std::vector<double> weighted;  // sum over carriers of mass times fraction, per interval
    double unassigned = 0.0;       // solids mass without usable PSD fractions
    bool found = false;
};

// Adds the solids mass of one carrier and its PSD (fractions and mesh null when it has none;
// mesh holds n + 1 values). False, with the mix unchanged, when a PSD has another interval
// count than the first one met.
bool AddToPsdMix(PsdMix& mix, double mass, const double* fractions, const double* mesh,
                 int64_t intervals);

// Fractions of the whole solids mass (kg/s, positive): unassigned mass spread evenly over the
// intervals. Empty when no PSD was met.
std::vector<double> MixedPsd(const PsdMix& mix, double totalMass);

// The two meshes of n + 1 boundaries agree to within the tolerance (m).
bool SameMesh(const double* a, const double* b, int64_t intervals, double tolerance = 1e-9);

}  // namespace brixel
