#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Interval-reduction rules shared by the whole-run and the stepwise one-dimensional minimizers.
namespace brixel::solver1d {

// Golden-section shares as the reduction rules state them: (3 - sqrt 5)/2 and its rest.
constexpr double kGoldenShare = 0.3819661;
constexpr double kGoldenRest = 0.6180339;
// Fibonacci search uses at most this many numbers; F89 (about 2.9e18) still fits 64 bits.
constexpr int kMaxFibonacciTerms = 90;

// The lowest of the five dichotomous values, the first on a tie; -1 when none is the
// lowest (the first value is not a number).
inline int BestOfFive(const std::array<double, 5>& values) {
    double lowest = values[0];
    for (double value : values) {
        if (value < lowest) {
            lowest = value;
        }
    }
    for (int i = 0; i < 5; ++i) {
        if (values[i] == lowest) {
            return i;
        }
    }
    return -1;
}

// Keeps the three consecutive points centred on the best one (at an end, the three at that
// end) as the new ends and middle: the interval halves.
inline void KeepAroundBest(std::array<double, 5>& points, std::array<double, 5>& values, int best) {
    const int first = std::clamp(best - 1, 0, 2);
    const std::array<double, 3> p{points[first], points[first + 1], points[first + 2]};
    const std::array<double, 3> v{values[first], values[first + 1], values[first + 2]};
    points[0] = p[0];
    points[2] = p[1];
    points[4] = p[2];
    values[0] = v[0];
    values[2] = v[1];
    values[4] = v[2];
}

// Vertex of the parabola through (a, fa), (x0, f0), (b, fb).
inline double ParabolaVertex(double a, double x0, double b, double fa, double f0, double fb) {
    const double numerator = (x0 - a) * (x0 - a) * (f0 - fb) - (x0 - b) * (x0 - b) * (f0 - fa);
    const double denominator = (x0 - a) * (f0 - fb) - (x0 - b) * (f0 - fa);
    return x0 - 0.5 * numerator / denominator;
}

inline bool Inside(double x, double a, double b) {
    return a <= x && x <= b;  // false for NaN
}

// Replaces one point of the triple (a, x0, b) by the new point x with value fx.
inline void UpdateTriple(double& a, double& x0, double& b, double& fa, double& f0, double& fb,
                         double x, double fx) {
    if (x < x0) {
        if (fx <= f0) {
            b = x0;
            fb = f0;
            x0 = x;
            f0 = fx;
        } else {
            a = x;
            fa = fx;
        }
    } else {
        if (fx <= f0) {
            a = x0;
            fa = f0;
            x0 = x;
            f0 = fx;
        } else {
            b = x;
            fb = fx;
        }
    }
}

// F0 = F1 = 1, Fk = Fk-1 + Fk-2, `terms` numbers.
inline std::vector<int64_t> FibonacciNumbers(int terms) {
    std::vector<int64_t> numbers;
    for (int k = 0; k < terms; ++k) {
        numbers.push_back(k < 2 ? 1 : numbers[k - 1] + numbers[k - 2]);
    }
    return numbers;
}

// First index n >= 2 with Fn > 1/tolerance (n >= 2 so that Fn-2 exists); -1 when none.
inline int FibonacciIndex(const std::vector<int64_t>& numbers, double tolerance) {
    const double needed = 1.0 / tolerance;
    for (std::size_t n = 2; n < numbers.size(); ++n) {
        if (static_cast<double>(numbers[n]) > needed) {
            return static_cast<int>(n);
        }
    }
    return -1;
}

}  // namespace brixel::solver1d
