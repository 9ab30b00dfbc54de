#include "brixel/particles/psd_mixing.h"

#include <cmath>
#include <cstddef>

namespace brixel {

namespace {

// Only a mass fraction carries mass; a missing marker or a negative value does not.
double UsableFraction(double value) {
    return std::isfinite(value) && value > 0.0 && value <= 1.0 ? value : 0.0;
}

}  // namespace

bool AddToPsdMix(PsdMix& mix, double mass, const double* fractions, const double* mesh,
                 int64_t intervals) {
    const bool hasPsd = fractions && mesh && intervals > 0;
    if (hasPsd) {
        if (!mix.found) {
            mix.mesh.assign(mesh, mesh + intervals + 1);
            mix.weighted.assign(static_cast<std::size_t>(intervals), 0.0);
            mix.found = true;
        } else if (static_cast<std::size_t>(intervals) != mix.weighted.size()) {
            return false;
        }
    }
    if (!(mass > 0.0)) {
        return true;
    }
    bool positive = false;
    for (int64_t i = 0; hasPsd && i < intervals; ++i) {
        positive = positive || UsableFraction(fractions[i]) > 0.0;
    }
    if (!positive) {
        mix.unassigned += mass;
        return true;
    }
    for (int64_t i = 0; i < intervals; ++i) {
        mix.weighted[static_cast<std::size_t>(i)] += mass * UsableFraction(fractions[i]);
    }
    return true;
}

std::vector<double> MixedPsd(const PsdMix& mix, double totalMass) {
    if (!mix.found || !(totalMass > 0.0)) {
        return {};
    }
    const double n = static_cast<double>(mix.weighted.size());
    const double even = mix.unassigned > 0.0 ? mix.unassigned / (n * totalMass) : 0.0;
    std::vector<double> fractions(mix.weighted.size());
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        fractions[i] = mix.weighted[i] / totalMass + even;
    }
    return fractions;
}

bool SameMesh(const double* a, const double* b, int64_t intervals, double tolerance) {
    if (!a || !b) {
        return a == b;
    }
    for (int64_t i = 0; i <= intervals; ++i) {
        if (!(std::fabs(a[i] - b[i]) < tolerance)) {
            return false;
        }
    }
    return true;
}

}  // namespace brixel
