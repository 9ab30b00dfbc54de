// Cubic splines of the substitute host: GSL's natural cubic spline, handed back as per-interval
// polynomial coefficients so that the caller's work array is the whole state between calls.

#include <gsl/gsl_errno.h>
#include <gsl/gsl_interp.h>

#include <cmath>
#include <cstddef>
#include <memory>

#include "brixel/framework/host_interface.h"
#include "host/gsl_errors.h"

namespace {

constexpr int64_t kSplineOk = 0;
constexpr int64_t kSplineBadInput = -1;
constexpr int64_t kSplineFailed = -2;
constexpr std::size_t kCoefficientsPerInterval = 4;

using brixel::host::GslErrorsReturned;

struct InterpDeleter {
    void operator()(gsl_interp* interp) const { gsl_interp_free(interp); }
};
struct AccelDeleter {
    void operator()(gsl_interp_accel* accel) const { gsl_interp_accel_free(accel); }
};

bool ValidAbscissas(const double* x, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || (i > 0 && !(x[i] > x[i - 1]))) {
            return false;
        }
    }
    return true;
}

// Coefficients of interval i: y = w0 + w1 t + w2 t^2 + w3 t^3, t = x - x[i].
int64_t BuildCoefficients(const double* x, const double* y, std::size_t n, double* work) {
    if (n == 2) {
        // GSL needs three points; the natural spline through two is their straight line.
        work[0] = y[0];
        work[1] = (y[1] - y[0]) / (x[1] - x[0]);
        work[2] = 0.0;
        work[3] = 0.0;
        return kSplineOk;
    }
    const GslErrorsReturned errorsReturned;
    std::unique_ptr<gsl_interp, InterpDeleter> spline(gsl_interp_alloc(gsl_interp_cspline, n));
    std::unique_ptr<gsl_interp_accel, AccelDeleter> accel(gsl_interp_accel_alloc());
    if (!spline || !accel || gsl_interp_init(spline.get(), x, y, n) != GSL_SUCCESS) {
        return kSplineFailed;
    }
    auto secondDerivative = [&](double at, double& value) {
        return gsl_interp_eval_deriv2_e(spline.get(), x, y, at, accel.get(), &value) == GSL_SUCCESS;
    };
    double curvatureStart = 0.0;
    if (!secondDerivative(x[0], curvatureStart)) {
        return kSplineFailed;
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        double slope = 0.0;
        double curvatureEnd = 0.0;
        if (gsl_interp_eval_deriv_e(spline.get(), x, y, x[i], accel.get(), &slope) != GSL_SUCCESS ||
            !secondDerivative(x[i + 1], curvatureEnd)) {
            return kSplineFailed;
        }
        double* w = work + i * kCoefficientsPerInterval;
        w[0] = y[i];
        w[1] = slope;
        w[2] = curvatureStart / 2.0;
        w[3] = (curvatureEnd - curvatureStart) / (6.0 * (x[i + 1] - x[i]));
        curvatureStart = curvatureEnd;
    }
    return kSplineOk;
}

}  // namespace

extern "C" {

void HostSpline(const int64_t* n, const double* x, const double* y, double* work, int64_t* status) {
    if (status == nullptr) {
        return;
    }
    *status = kSplineBadInput;
    if (n == nullptr || *n < 2 || x == nullptr || y == nullptr || work == nullptr) {
        return;
    }
    const auto points = static_cast<std::size_t>(*n);
    if (!ValidAbscissas(x, points)) {
        return;
    }
    for (std::size_t i = 0; i < points; ++i) {
        if (!std::isfinite(y[i])) {
            return;
        }
    }
    try {
        *status = BuildCoefficients(x, y, points, work);
    } catch (...) {
        *status = kSplineFailed;
    }
}

void HostSplineEval(const int64_t* n, const double* x, const double* work, const int64_t* m,
                    const double* at, double* values, double* slopes, int64_t* status) {
    if (status == nullptr) {
        return;
    }
    *status = kSplineBadInput;
    if (n == nullptr || *n < 2 || m == nullptr || *m < 0 || x == nullptr || work == nullptr ||
        (*m > 0 && (at == nullptr || values == nullptr))) {
        return;
    }
    const auto points = static_cast<std::size_t>(*n);
    const auto count = static_cast<std::size_t>(*m);
    for (std::size_t k = 0; k < count; ++k) {
        if (!std::isfinite(at[k])) {
            return;
        }
    }
    for (std::size_t k = 0; k < count; ++k) {
        // Outside the points the end interval's cubic continues.
        std::size_t i = 0;
        if (at[k] >= x[points - 1]) {
            i = points - 2;
        } else if (at[k] > x[0]) {
            i = gsl_interp_bsearch(x, at[k], 0, points - 1);
        }
        const double* w = work + i * kCoefficientsPerInterval;
        const double t = at[k] - x[i];
        values[k] = ((w[3] * t + w[2]) * t + w[1]) * t + w[0];
        if (slopes != nullptr) {
            slopes[k] = (3.0 * w[3] * t + 2.0 * w[2]) * t + w[1];
        }
    }
    *status = kSplineOk;
}

}  // extern "C"
