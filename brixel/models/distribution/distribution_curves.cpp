#include "brixel/models/distribution/distribution_curves.h"

#include <cfenv>
#include <cmath>
#include <numbers>

namespace brixel {

namespace {

// Fills q3 from `evaluate` until a value reaches 1; that boundary and all later ones are 1.
template <typename Evaluate>
void SaturatingCurve(const double* x, std::size_t count, double* q3, Evaluate evaluate) {
    std::size_t k = 0;
    for (; k < count; ++k) {
        const double value = evaluate(x[k], k);
        if (value >= 1.0) {
            break;
        }
        q3[k] = value;
    }
    for (; k < count; ++k) {
        q3[k] = 1.0;
    }
}

}  // namespace

bool IsSizeMesh(const double* x, std::size_t n) {
    if (!x || n < 2 || !std::isfinite(x[0]) || x[0] < 0.0) {
        return false;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if (!std::isfinite(x[k]) || !(x[k] > x[k - 1])) {
            return false;
        }
    }
    return true;
}

void RrsbCumulative(double n, double d63, const double* x, std::size_t count, double* q3) {
    SaturatingCurve(x, count, q3, [&](double size, std::size_t) {
        return 1.0 - std::exp(-std::pow(size / d63, n));
    });
    ClearFloatingPointFlags();
}

void GgsCumulative(double m, double xmax, const double* x, std::size_t count, double* q3) {
    for (std::size_t k = 0; k < count; ++k) {
        q3[k] = x[k] <= xmax ? std::pow(x[k] / xmax, m) : 1.0;
    }
}

bool NormalCumulative(double sigma, double d50, const double* x, std::size_t count, double* q3) {
    if (!(sigma > 0.0) || !(d50 > 0.0)) {
        return false;
    }
    const double scale = 1.0 / (std::numbers::sqrt2 * sigma);
    SaturatingCurve(x, count, q3, [&](double size, std::size_t) {
        return 0.5 * (1.0 + std::erf((size - d50) * scale));
    });
    ClearFloatingPointFlags();
    return true;
}

bool LogNormalCumulative(double sigma, double d50, const double* x, std::size_t count, double* q3) {
    if (!(sigma > 0.0) || !(d50 > 0.0)) {
        return false;
    }
    const double scale = 1.0 / (std::numbers::sqrt2 * sigma);
    const double logMedian = std::log(d50);
    SaturatingCurve(x, count, q3, [&](double size, std::size_t k) {
        if (k == 0 && !(size > 0.0)) {
            return 0.0;
        }
        return 0.5 * (1.0 + std::erf((std::log(size) - logMedian) * scale));
    });
    ClearFloatingPointFlags();
    return true;
}

void DifferenceCumulative(const double* q3, std::size_t boundaries, double* q) {
    if (boundaries < 2) {
        return;
    }
    q[0] = q3[1];
    for (std::size_t k = 1; k + 1 < boundaries; ++k) {
        q[k] = q3[k + 1] - q3[k];
    }
}

void ClearFloatingPointFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace brixel
