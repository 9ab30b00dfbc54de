// Dense solves, inversion and the natural spline. Sizes match bench/scipy_compare.py.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "brixel/numerics/math_helper.h"

namespace {

// Diagonally dominant with a zero first pivot, so every row exchange path runs once.
CMatrix TestMatrix(uint32_t n) {
    CMatrix a(n, n);
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t j = 0; j < n; ++j) {
            a[i][j] = 1.0 / (1.0 + i + 2.0 * j) + (i == j ? n : 0.0);
        }
    }
    a[0][0] = 0.0;
    return a;
}

void BM_Gauss(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const CMatrix a = TestMatrix(n);
    CVector b(n);
    for (uint32_t i = 0; i < n; ++i) {
        b[i] = std::sin(1.0 + i);
    }
    CVector x;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CMathHelper::Gauss(a, x, b));
        benchmark::DoNotOptimize(x.Data());
    }
}

void BM_Invert(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const CMatrix a = TestMatrix(n);
    CMatrix inverse;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CMathHelper::Invert(a, inverse));
        benchmark::ClobberMemory();
    }
}

// n points of a smooth curve on uneven spacing, evaluated at n midpoints.
void SplineBench(benchmark::State& state, int64_t selector) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(n), y(n), at(n), values(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i + 0.3 * std::sin(i);
        y[i] = std::exp(-0.01 * x[i]) * std::cos(0.2 * x[i]);
    }
    for (int i = 0; i + 1 < n; ++i) {
        at[i] = 0.5 * (x[i] + x[i + 1]);
    }
    at[n - 1] = x[n - 1] + 1.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CMathHelper::CalculateSplineValues(
            n, x.data(), y.data(), n, at.data(), values.data(), selector, true));
        benchmark::ClobberMemory();
    }
}

void BM_SplineSmoothing(benchmark::State& state) {
    SplineBench(state, 0);
}
void BM_HostSpline(benchmark::State& state) {
    SplineBench(state, 1);
}

}  // namespace

BENCHMARK(BM_Gauss)->Arg(5)->Arg(10)->Arg(20)->Arg(50);
BENCHMARK(BM_Invert)->Arg(5)->Arg(10)->Arg(20)->Arg(50);
BENCHMARK(BM_SplineSmoothing)->Arg(10)->Arg(100)->Arg(1000)->Arg(5000);
BENCHMARK(BM_HostSpline)->Arg(10)->Arg(100)->Arg(1000)->Arg(5000);
