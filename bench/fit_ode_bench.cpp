// The least-squares fitter and the ODE driver over the substitute host's routines: a
// 3-parameter fit to 50 points within bounds, and a 4-variable non-stiff system. Counters:
// "evaluations" (whole model or derivative evaluations, Jacobian differences included), the
// results ("p0" ... "p2", "y0" ... "y3"). bench/scipy_compare_fit_ode.py runs the same
// problems with scipy.
#include <benchmark/benchmark.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "brixel/numerics/least_squares_fit.h"
#include "brixel/numerics/ode_solve.h"
#include "host/substitute_host.h"

namespace {

constexpr int kPoints = 50;

// y = a exp(-b x) + c at a = 2.5, b = 1.3, c = 0.4, x = 0, 0.1, ... 4.9, with a deterministic
// disturbance 0.01 sin(7 i) so that the residual is not zero.
std::vector<std::tuple<double, double>> FitData() {
    std::vector<std::tuple<double, double>> data;
    for (int i = 0; i < kPoints; ++i) {
        const double x = 0.1 * i;
        data.emplace_back(x, 2.5 * std::exp(-1.3 * x) + 0.4 + 0.01 * std::sin(7.0 * i));
    }
    return data;
}

void BM_LeastSquares3Parameters(benchmark::State& state) {
    const auto data = FitData();
    double evaluations = 0.0;
    std::vector<double> p;
    for (auto _ : state) {
        int64_t calls = 0;
        LeastSquaresFit fit({1.0, 1.0, 0.0}, data, [&calls](double* q, double x) {
            if (x == 0.0) {
                ++calls;  // one whole evaluation per pass over the points
            }
            return q[0] * std::exp(-q[1] * x) + q[2];
        });
        fit.SetBounds({{0.0, 10.0}, {0.0, 5.0}, {-1.0, 1.0}});
        if (!fit.Solve()) {
            state.SkipWithError("fit failed");
            return;
        }
        fit.getParameters(p);
        evaluations = static_cast<double>(calls);
    }
    state.counters["evaluations"] = evaluations;
    const char* names[] = {"p0", "p1", "p2"};
    for (std::size_t k = 0; k < p.size() && k < 3; ++k) {
        state.counters[names[k]] = p[k];
    }
}
BENCHMARK(BM_LeastSquares3Parameters);

// Two coupled oscillators: x1'' = -x1 + 0.5 (x2 - x1), x2'' = -2 x2 - 0.5 (x2 - x1), from
// x1 = 1, x2 = 0 at rest, over 0 ... 10.
void BM_Ode4Variables(benchmark::State& state) {
    brixel::host::SubstituteHost host;  // the integrator needs no builder set-up
    double y[4] = {}, dy[4] = {};
    double* states[] = {&y[0], &y[1], &y[2], &y[3]};
    double* derivatives[] = {&dy[0], &dy[1], &dy[2], &dy[3]};
    double evaluations = 0.0;
    for (auto _ : state) {
        y[0] = 1.0;
        y[1] = 0.0;
        y[2] = 0.0;
        y[3] = 0.0;
        CODESolve solver(states, derivatives, 4, [&](double) {
            dy[0] = y[1];
            dy[1] = -y[0] + 0.5 * (y[2] - y[0]);
            dy[2] = y[3];
            dy[3] = -2.0 * y[2] - 0.5 * (y[2] - y[0]);
        });
        if (!solver.Solve(0.0, 10.0)) {
            state.SkipWithError("integration failed");
            return;
        }
        evaluations = static_cast<double>(solver.GetDerivativeCalls());
    }
    state.counters["evaluations"] = evaluations;
    const char* names[] = {"y0", "y1", "y2", "y3"};
    for (std::size_t k = 0; k < 4; ++k) {
        state.counters[names[k]] = y[k];
    }
}
BENCHMARK(BM_Ode4Variables);

}  // namespace
