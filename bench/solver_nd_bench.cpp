// Cost of the multi-dimensional minimizers on cheap objectives: time per run, evaluations per
// run, time per evaluation and the final value (counters "evaluations",
// "seconds_per_evaluation", "value"). bench/scipy_compare_nd.py runs the same problems with
// scipy and reads these counters.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "brixel/numerics/solver.h"

namespace {

double Square(double d) {
    return d * d;
}

// Minimum 3 at (1, -0.5).
double Quadratic2D(const double* x) {
    return Square(x[0] - 1.0) + 2.0 * Square(x[1] + 0.5) + 3.0;
}
// Minimum 0 at (0.5, -1, 1.5, 2, -0.25), coordinate j weighted by j + 1.
double Quadratic5D(const double* x) {
    constexpr double centre[] = {0.5, -1.0, 1.5, 2.0, -0.25};
    double sum = 0.0;
    for (int j = 0; j < 5; ++j) {
        sum += (j + 1) * Square(x[j] - centre[j]);
    }
    return sum;
}
// Minimum 0 at (1, 1).
double Rosenbrock(const double* x) {
    return 100.0 * Square(x[1] - x[0] * x[0]) + Square(1.0 - x[0]);
}
// Minimum 0 at the origin, local minima near every integer point.
double Rastrigin(const double* x) {
    double sum = 20.0;
    for (int j = 0; j < 2; ++j) {
        sum += x[j] * x[j] - 10.0 * std::cos(2.0 * std::numbers::pi * x[j]);
    }
    return sum;
}
// The feasibility constraint of the complex method (COBYLA gets -x0 - x1 >= 0).
bool SumNotPositive(const double* x) {
    return x[0] + x[1] <= 0.0;
}

struct Problem {
    CSolver::FunctionND function;
    std::vector<double> lower;
    std::vector<double> upper;
    std::vector<double> start;
};
const Problem kQuadratic2D{Quadratic2D, {-2, -2}, {3, 2}, {0, 0}};
const Problem kQuadratic5D{Quadratic5D, std::vector<double>(5, -3.0), std::vector<double>(5, 3.0),
                           std::vector<double>(5, 0.0)};
const Problem kRosenbrock{Rosenbrock, {-2, -2}, {2, 2}, {-1.2, 1.0}};
const Problem kRastrigin{Rastrigin, {-5.12, -5.12}, {5.12, 5.12}, {2.5, 2.5}};

enum class Method { kPowell, kGenetic, kAnnealing, kComplex };

void BM_Minimize(benchmark::State& state, Method method, const Problem& p) {
    CSolver solver;
    const int n = static_cast<int>(p.start.size());
    std::vector<double> x(p.start.size());
    std::vector<double> work;
    int64_t evaluations = 0;
    double value = 0.0;
    for (auto _ : state) {
        int count = 0;
        switch (method) {
            case Method::kPowell:
                work = p.start;
                solver.Powell(p.lower.data(), p.upper.data(), p.function, n, x.data(), &count,
                              &value, work.data(), nullptr);
                break;
            case Method::kGenetic:
                solver.GeneticAlgorithm(p.lower.data(), p.upper.data(), p.function, n, x.data(),
                                        &count, &value, p.start.data(), nullptr);
                break;
            case Method::kAnnealing:
                solver.SimulatedAnnealing(p.lower.data(), p.upper.data(), p.function, n, x.data(),
                                          &count, &value, p.start.data(), nullptr);
                break;
            case Method::kComplex:
                solver.Complex(p.lower.data(), p.upper.data(), p.function, SumNotPositive, n,
                               x.data(), &count, &value, p.start.data(), nullptr);
                break;
        }
        benchmark::DoNotOptimize(x.data());
        evaluations += count;
    }
    const auto total = static_cast<double>(evaluations);
    state.counters["evaluations"] = benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    state.counters["seconds_per_evaluation"] =
        benchmark::Counter(total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["value"] = value;
}

#define BRIXEL_ND_PROBLEMS(method, name)                                      \
    BENCHMARK_CAPTURE(BM_Minimize, name##_quadratic2d, method, kQuadratic2D); \
    BENCHMARK_CAPTURE(BM_Minimize, name##_quadratic5d, method, kQuadratic5D); \
    BENCHMARK_CAPTURE(BM_Minimize, name##_rosenbrock, method, kRosenbrock);   \
    BENCHMARK_CAPTURE(BM_Minimize, name##_rastrigin, method, kRastrigin)

BRIXEL_ND_PROBLEMS(Method::kPowell, powell);
BRIXEL_ND_PROBLEMS(Method::kGenetic, genetic);
BRIXEL_ND_PROBLEMS(Method::kAnnealing, annealing);
BRIXEL_ND_PROBLEMS(Method::kComplex, complex);

}  // namespace
