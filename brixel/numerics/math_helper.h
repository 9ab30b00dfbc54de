#pragma once

#include <cstdint>
#include <span>

#include "brixel/framework/export.h"
#include "brixel/numerics/matrix.h"
#include "brixel/numerics/vector.h"

namespace brixel {

// Solves the tridiagonal system sub[i] x[i-1] + diagonal[i] x[i] + super[i] x[i+1] = rhs[i]
// (sub[0] and super[n-1] are not used) into rhs, in O(n), with the values CMathHelper::Gauss
// gives for the same dense system; diagonal is overwritten. False when the sizes differ, an
// entry is not finite, a pivot is 0 (Gauss would exchange rows) or the solution overflows.
bool SolveTridiagonal(std::span<const double> sub, std::span<double> diagonal,
                      std::span<const double> super, std::span<double> rhs);

}  // namespace brixel

// Linear systems, inversion and cubic-spline evaluation.
class BRIXEL_API CMathHelper {
  public:
    virtual ~CMathHelper();

    // Solves A x = b by elimination, exchanging a row only when its pivot is exactly 0.
    // False, with x untouched, when A is not square, b does not fit, an entry is not finite
    // or A is singular.
    static bool Gauss(const CMatrix& A, CVector& x, const CVector& b);
    // False, with the inverse untouched, when A is not square, not finite or singular.
    static bool Invert(const CMatrix& A, CMatrix& inverse);
    // The vector as a one-column matrix.
    static void TransVector(const CVector& vector, CMatrix& matrix);

    // Cubic spline through the n points (x, y), x strictly increasing, evaluated at the m
    // abscissas `at` into `values`. A non-zero selector uses the host's spline routine, zero
    // the library's natural spline (SplineSmoothing). With `extrapolateLinearly` an abscissa
    // outside [x[0], x[n-1]] follows the tangent at the nearer end point, otherwise the end
    // interval's cubic. False, with `values` untouched, for n < 2, m < 0, a null array, data
    // that are not finite or not increasing, or a failure of the host.
    static bool CalculateSplineValues(int n, const double* x, const double* y, int m,
                                      const double* at, double* values, int64_t selector,
                                      bool extrapolateLinearly);
    // The natural cubic spline (second derivatives 0 at both ends) interpolating the points.
    static bool SplineSmoothing(int n, const double* x, const double* y, int m, const double* at,
                                double* values, bool extrapolateLinearly);
};
