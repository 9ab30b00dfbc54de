// Fitting each separation-function model to 9 points generated from it (the data of
// bench/efficiency_fit_compare.py, which fits the same data with scipy's curve_fit). Counters:
// objective evaluations, the sum of absolute deviations the fit minimises, the sum of
// squared deviations, and the fitted parameters.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "brixel/models/separation/efficiency_fit.h"

namespace {

struct Problem {
    int64_t model;
    std::vector<double> parameters;
};

// Keep in step with MODELS in efficiency_fit_compare.py.
const Problem kProblems[] = {
    {brixel::kModelRrsb, {1.1e-5, 1.8, 0.05}},       {brixel::kModelRogers, {8e-6, 2.5, 0.1}},
    {brixel::kModelWhiten, {1.2e-5, 3.0, 0.1, 0.5}}, {brixel::kModelSquare, {1.5e-5, 1.2, 0.0}},
    {brixel::kModelExponential, {6e6, 2.5, 0.12}},
};

std::vector<double> Sizes() {
    std::vector<double> x;
    for (double v = 1e-6; v < 6.5e-5; v *= 1.6) {
        x.push_back(v);
    }
    return x;
}

void BM_FitModel(benchmark::State& state) {
    const Problem& problem = kProblems[state.range(0)];
    const std::vector<double> x = Sizes();
    std::vector<double> t;
    for (const double v : x) {
        t.push_back(brixel::SeparationModelValue(problem.model, problem.parameters.data(), v));
    }
    const auto n = static_cast<int64_t>(x.size());
    brixel::SeparationModelFit fit;
    for (auto _ : state) {
        fit = brixel::FitSeparationModel(problem.model, x.data(), t.data(), n);
        benchmark::DoNotOptimize(fit);
    }
    double squares = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double r =
            brixel::SeparationModelValue(problem.model, fit.parameters.data(), x[j]) - t[j];
        squares += r * r;
    }
    state.counters["model"] = static_cast<double>(problem.model);
    state.counters["converged"] = fit.converged ? 1.0 : 0.0;
    state.counters["evaluations"] = fit.evaluations;
    state.counters["deviation"] = fit.deviation;
    state.counters["squares"] = squares;
    const char* names[] = {"p0", "p1", "p2", "p3"};
    for (std::size_t k = 0; k < 4; ++k) {
        state.counters[names[k]] = fit.parameters[k];
    }
}
BENCHMARK(BM_FitModel)->DenseRange(0, 4);

}  // namespace
