// Cost of the one-dimensional minimizers on cheap objectives: time per run, evaluations per
// run and time per evaluation (counters "evaluations" and "seconds_per_evaluation").
// bench/scipy_compare.py runs the same problems with scipy and reads these counters.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "brixel/numerics/solver.h"

namespace {

double Quadratic(double x) {  // minimum 1 at 2
    return (x - 2.0) * (x - 2.0) + 1.0;
}
double CoshAtOne(double x) {  // minimum 1 at 1
    return std::cosh(x - 1.0);
}

struct Problem {
    CSolver::Function1D function;
    double a;
    double b;
    double x0;
};
constexpr Problem kQuadratic{Quadratic, 0.0, 5.0, 2.5};
constexpr Problem kCosh{CoshAtOne, -2.0, 3.0, 0.0};
// Relative tolerance for both methods (scipy's `tol` of the same problems).
constexpr double kTolerance = 1e-6;

void Report(benchmark::State& state, int64_t evaluations) {
    const auto total = static_cast<double>(evaluations);
    state.counters["evaluations"] = benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    state.counters["seconds_per_evaluation"] =
        benchmark::Counter(total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

template <typename Run>
void Measure(benchmark::State& state, Run run) {
    int64_t evaluations = 0;
    for (auto _ : state) {
        double x = 0.0;
        double value = 0.0;
        int count = 0;
        if (!run(&x, &count, &value)) {
            state.SkipWithError("not converged");
            break;
        }
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(value);
        evaluations += count;
    }
    Report(state, evaluations);
}

void BM_GoldenSection(benchmark::State& state, Problem p) {
    CSolver solver;
    solver.SetGoldTolerance(kTolerance);
    Measure(state, [&](double* x, int* count, double* value) {
        return solver.GoldenSection(p.a, p.b, p.function, x, count, value, p.x0, nullptr);
    });
}

void BM_Brent(benchmark::State& state, Problem p) {
    CSolver solver;
    solver.SetBrentTolerance(kTolerance);
    Measure(state, [&](double* x, int* count, double* value) {
        return solver.Brent(p.a, p.b, p.function, x, count, value, p.x0, nullptr);
    });
}

BENCHMARK_CAPTURE(BM_GoldenSection, quadratic, kQuadratic);
BENCHMARK_CAPTURE(BM_GoldenSection, cosh, kCosh);
BENCHMARK_CAPTURE(BM_Brent, quadratic, kQuadratic);
BENCHMARK_CAPTURE(BM_Brent, cosh, kCosh);

}  // namespace
