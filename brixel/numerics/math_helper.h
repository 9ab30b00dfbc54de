#pragma once

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/numerics/matrix.h"
#include "brixel/numerics/vector.h"

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
