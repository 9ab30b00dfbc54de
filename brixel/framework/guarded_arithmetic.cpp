// Missing-value markers and guarded arithmetic of CBrixelBaseUnit. Each operation returns the
// plain result or throws an int code: 1 for an argument outside the domain, 2 (4 for Emult)
// for a result that would exceed the real missing value. A NaN argument, or a NaN the
// operation would produce, throws 1: a NaN must never reach a stream.
#include <cmath>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"

// Placeholders until the first RefreshMarkers; every unit constructor reads the host's values.
double CBrixelBaseUnit::m_dblRMiss = 1e35;
double CBrixelBaseUnit::m_dblRMin = 1e-35;
int CBrixelBaseUnit::m_nIMiss = -2147483647;

void CBrixelBaseUnit::RefreshMarkers() {
    if (const double* reals = HostRealGlobals()) {
        m_dblRMiss = reals[brixel::records::kRealGlobalMissing];
        m_dblRMin = reals[brixel::records::kRealGlobalSmallest];
    }
    if (const int64_t* globals = HostGlobals()) {
        m_nIMiss = static_cast<int>(globals[brixel::records::kGlobalMissing]);
    }
}

namespace {

constexpr int kDomainError = 1;
constexpr int kOverflow = 2;
constexpr int kProductOverflow = 4;

void RejectNaN(double value) {
    if (std::isnan(value)) {
        throw kDomainError;
    }
}

double LogOfMissing() {
    return std::log(CBrixelBaseUnit::m_dblRMiss);
}

}  // namespace

double CBrixelBaseUnit::Ediv(double a, double b) {
    RejectNaN(a);
    RejectNaN(b);
    if (b == 0.0) {
        throw kDomainError;
    }
    if (std::fabs(a) > m_dblRMiss * std::fabs(b)) {
        throw kOverflow;
    }
    const double quotient = a / b;
    RejectNaN(quotient);  // both infinite
    return quotient;
}

double CBrixelBaseUnit::Eexp(double x) {
    RejectNaN(x);
    if (x > LogOfMissing()) {
        throw kOverflow;
    }
    return std::exp(x);
}

double CBrixelBaseUnit::Elog(double x) {
    RejectNaN(x);
    if (x <= 0.0) {
        throw kDomainError;
    }
    return std::log(x);
}

double CBrixelBaseUnit::Esqrt(double x) {
    RejectNaN(x);
    if (x < 0.0) {
        throw kDomainError;
    }
    return std::sqrt(x);
}

// Beyond the plain rules: 0 to a negative power is a division by zero (1), and a positive base
// below 1 with a negative exponent is checked for overflow like a positive exponent, so that
// no infinity comes back. A negative base has a real power only for an exponent p/q with odd
// q, (-|a|)^(p/q) = (-1)^p |a|^(p/q): the cube root of -8 is -2. Such exponents are recognised
// for q up to kLargestOddRoot; any other fractional exponent of a negative base, such as the
// square root of -4, is outside the domain (1).
double CBrixelBaseUnit::Epow(double a, double b) {
    RejectNaN(a);
    RejectNaN(b);
    if (b < 0.0 && a <= 0.0) {
        throw kDomainError;
    }
    if (b != 0.0 && a != 0.0 && b * std::log(std::fabs(a)) > LogOfMissing()) {
        throw kOverflow;
    }
    if (a < 0.0 && b != std::trunc(b)) {
        constexpr int kLargestOddRoot = 15;
        constexpr double kFractionTolerance = 1e-9;  // relative, for exponents such as 1.0 / 3.0
        for (int q = 3; q <= kLargestOddRoot && std::isfinite(b); q += 2) {
            const double p = std::round(b * q);
            if (std::fabs(b * q - p) <= kFractionTolerance * std::fabs(p)) {
                const double magnitude = std::pow(-a, b);
                return std::fmod(p, 2.0) != 0.0 ? -magnitude : magnitude;
            }
        }
        throw kDomainError;
    }
    const double power = std::pow(a, b);
    RejectNaN(power);
    return power;
}

double CBrixelBaseUnit::Emult(double a, double b) {
    RejectNaN(a);
    RejectNaN(b);
    bool limitKnown = true;
    double limit = 0.0;
    try {
        limit = Ediv(m_dblRMiss, a);
    } catch (int) {
        limitKnown = false;  // |a| below 1 (or 0): the product cannot outgrow |b|
    }
    if (limitKnown && std::fabs(b) > std::fabs(limit)) {
        throw kProductOverflow;
    }
    const double product = a * b;
    RejectNaN(product);  // 0 times infinity
    return product;
}
