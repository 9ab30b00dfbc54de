#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

// Independent arithmetic of the growth checks: class means, particle numbers, the laws'
// total mass change and a plain bisection, written without the library.
namespace brixel::testing::growth_check {

constexpr double kPi = std::numbers::pi;

inline double Mean(const std::vector<double>& mesh, std::size_t i) {
    return 0.5 * (mesh[i + 1] + mesh[i]);
}

// Particle number flow (1/s) of mass m (kg/s) of particles of size d (m) and density rho.
inline double Particles(double m, double d, double rho) {
    return m / (rho * kPi / 6.0 * d * d * d);
}

// Bisection on an increasing function over [low, high], 200 halvings.
inline double Bisect(const std::function<double(double)>& f, double low, double high) {
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (low + high);
        (f(mid) < 0.0 ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

// Total mass change (kg/s) of classes of fractions q of mass M growing by x: diameter law
// m_i ((1 + x / d_i)^3 - 1), volume law n_i rho x; a class that reaches zero size loses all.
inline double LawMassChange(const std::vector<double>& mesh, const std::vector<double>& q,
                            double massIn, double rho, bool volume, double x) {
    double total = 0.0;
    for (std::size_t i = 0; i < q.size(); ++i) {
        const double d = Mean(mesh, i);
        const double m = massIn * q[i];
        const double size = volume ? std::cbrt(std::max(0.0, d * d * d + 6.0 * x / kPi)) : d + x;
        if (size <= 0.0) {
            total -= m;
        } else {
            total += volume ? Particles(m, d, rho) * rho * x : m * (std::pow(size / d, 3) - 1.0);
        }
    }
    return total;
}

// Outlet fractions of a row-major N x N movement matrix applied to fractions q.
inline std::vector<double> Mapped(const std::vector<double>& matrix, const std::vector<double>& q) {
    const std::size_t n = q.size();
    std::vector<double> out(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            out[j] += q[i] * matrix[i * n + j];
        }
    }
    return out;
}

inline double Sum(const std::vector<double>& v) {
    double s = 0.0;
    for (const double x : v) {
        s += x;
    }
    return s;
}

}  // namespace brixel::testing::growth_check
