#pragma once

#include <string_view>
#include <vector>

#include "brixel/framework/export.h"

// Characteristic values of a distribution given as interval fractions on a mesh: either
// n + 1 interval boundaries, or n upper bounds (the first interval then starts at 0).
// Status values are those of brixel/framework/status.h.
namespace brixel {

enum class DistributionQuantity {
    SizeAtFraction,   // argument: cumulative fraction (0 ... 1)
    FractionAtSize,   // argument: size
    SauterDiameter,   // 1 / sum(f / mean size of the interval)
    SpecificSurface,  // 6 / Sauter diameter
};

struct DistributionParameter {
    DistributionQuantity quantity = DistributionQuantity::SizeAtFraction;
    double argument = 0.0;
};

// "Median", "X50", "X25", "X75", "X80", "X85", "X(p)" with p in percent, "Q3(x)", "SMD",
// "sauter", "sv", without regard to case. The Sauter forms only when sauterAllowed. False for
// any other name and for a bracket argument that is not one finite number.
bool ParseDistributionParameter(std::string_view name, bool sauterAllowed,
                                DistributionParameter& parameter);

// Mesh and fractions usable together: n >= 1 fractions, finite and not negative, and a mesh
// of n or n + 1 finite values.
bool IsUsableDistribution(const std::vector<double>& mesh, const std::vector<double>& fractions);

// Size at which the running sum of fractions reaches p, interpolated linearly in the interval
// where it does; the first mesh value for p <= 0. kStatusFail when the sum stays below p,
// kStatusInvalidArgument for an unusable distribution or NaN p.
long SizeAtCumulativeFraction(const std::vector<double>& mesh, const std::vector<double>& fractions,
                              double p, double& size);

// Mass fraction below size x: 0 below the first boundary, 1 at or above the last, at most 1.
long CumulativeFractionAtSize(const std::vector<double>& mesh, const std::vector<double>& fractions,
                              double x, double& fraction);

// kStatusFail when the sum of f / mean size is not positive or an interval with a fraction has
// a mean size of 0.
long SauterMeanDiameter(const std::vector<double>& mesh, const std::vector<double>& fractions,
                        double& diameter);

long EvaluateDistributionParameter(const DistributionParameter& parameter,
                                   const std::vector<double>& mesh,
                                   const std::vector<double>& fractions, double& value);

// Mesh values sorted ascending, with the fractions carried along; neighbours closer than
// `tolerance` become one value whose fraction is the sum. `order` lists the positions of the
// input values in ascending order (the caller's sort).
void MergeSortedMesh(const std::vector<int>& order, double tolerance, std::vector<double>& mesh,
                     std::vector<double>& fractions);

}  // namespace brixel
