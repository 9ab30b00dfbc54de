#pragma once

#include <cstddef>

// Cumulative mass fractions undersize Q3 of the closed-form particle size distributions,
// evaluated on plain arrays of sizes (m). These are the hot loops of every distribution
// evaluation; the exported class converts its arrays once and calls them.
namespace brixel {

// Distribution type codes.
constexpr int kDistributionGgs = 1;
constexpr int kDistributionRrsb = 2;
constexpr int kDistributionLogNormal = 3;
constexpr int kDistributionNormal = 4;
constexpr int kDistributionTabular = 5;

// True when the n >= 2 sizes are finite, not negative and strictly increasing.
bool IsSizeMesh(const double* x, std::size_t n);

// RRSB: Q3 = 1 - exp(-(x/D63)^n). Saturates: from the first value >= 1 on, exactly 1.
void RrsbCumulative(double n, double d63, const double* x, std::size_t count, double* q3);
// GGS: Q3 = (x/Xmax)^m up to Xmax, exactly 1 above it.
void GgsCumulative(double m, double xmax, const double* x, std::size_t count, double* q3);
// Normal with standard deviation sigma (m); false, q3 untouched, unless sigma and d50 > 0.
bool NormalCumulative(double sigma, double d50, const double* x, std::size_t count, double* q3);
// Log-normal with sigma the standard deviation of ln x; false, q3 untouched, unless sigma and
// d50 > 0. A first size that is not positive has Q3 = 0.
bool LogNormalCumulative(double sigma, double d50, const double* x, std::size_t count, double* q3);

// Interval fractions from boundaries + 1 cumulative values: the first interval takes all
// below its upper bound, including what lies below the mesh.
void DifferenceCumulative(const double* q3, std::size_t boundaries, double* q);

// Clears the floating-point status flags, so that underflow or overflow of exp, pow or erf in
// a curve does not reach the host's floating-point check.
void ClearFloatingPointFlags();

}  // namespace brixel
