// Bounded nonlinear least squares of the substitute host (HostBoundedLeastSquares).
//
// GSL's multifit_nlinear trust-region solver rather than Ceres: GSL is already the host's
// numerical library, the problems are small and dense, and the model arrives as a plain
// callback over all points, which GSL's finite-difference Jacobian takes as it is. GSL has no
// bounds, so each bounded parameter is solved for in an unbounded variable z (the transforms
// of MINUIT): both bounds p = lo + (hi - lo)(1 + sin z) / 2, one bound lo - 1 + sqrt(z^2 + 1)
// or hi + 1 - sqrt(z^2 + 1). A parameter whose optimum lies outside its box ends on the bound.
// The transforms flatten at a bound, where convergence slows; a parameter that ends within
// kOnBoundShare of the box width from a bound is then put on it and the others refitted with it
// held, so that an active bound holds exactly.

#include <gsl/gsl_blas.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "host/gsl_errors.h"

namespace {

constexpr int64_t kConverged = 0;
constexpr int64_t kIterationLimit = 1;
constexpr int64_t kBadInput = -1;
constexpr int64_t kModelFailed = -2;
constexpr int64_t kSolverFailed = -3;

constexpr double kOnBoundShare = 1e-5;
constexpr int64_t kMaxSize = 1 << 20;

enum class Box { kFree, kLower, kUpper, kBoth, kFixed };

struct Transform {
    Box box = Box::kFree;
    double lo = 0.0, hi = 0.0;

    double ToParameter(double z) const {
        switch (box) {
            case Box::kBoth:
                return lo + (hi - lo) * (1.0 + std::sin(z)) / 2.0;
            case Box::kLower:
                return lo - 1.0 + std::sqrt(z * z + 1.0);
            case Box::kUpper:
                return hi + 1.0 - std::sqrt(z * z + 1.0);
            case Box::kFixed:
                return lo;
            case Box::kFree:
                break;
        }
        return z;
    }
    double ToInternal(double p) const {
        switch (box) {
            case Box::kBoth:
                return std::asin(std::clamp(2.0 * (p - lo) / (hi - lo) - 1.0, -1.0, 1.0));
            case Box::kLower: {
                const double s = std::max(p - lo, 0.0) + 1.0;
                return std::sqrt(s * s - 1.0);
            }
            case Box::kUpper: {
                const double s = std::max(hi - p, 0.0) + 1.0;
                return std::sqrt(s * s - 1.0);
            }
            case Box::kFixed:
            case Box::kFree:
                break;
        }
        return p;
    }
};

struct Problem {
    int64_t n = 0, m = 0;
    const double* y = nullptr;
    double* x = nullptr;  // the callback takes non-const pointers; it never writes them
    HostLeastSquaresModel model = nullptr;
    void** userData = nullptr;
    double weight = 1.0;
    std::vector<Transform> transforms;
    std::vector<std::size_t> solved;  // parameters solved for (the others are fixed)
    std::vector<double> p;            // the full parameter vector, updated from z
    std::vector<double> f;            // model values
    std::vector<double> trial;        // p handed to the model, which may write into it
    bool modelFailed = false;

    // Residuals w (f - y) at the internal point z; false when the model failed.
    bool Residuals(const gsl_vector* z, gsl_vector* r) {
        for (std::size_t j = 0; j < solved.size(); ++j) {
            p[solved[j]] = transforms[solved[j]].ToParameter(gsl_vector_get(z, j));
        }
        trial = p;  // the callback may not change the solver's vector
        int64_t mode = 1, points = m, count = n, status = 0;
        model(&mode, &points, &count, trial.data(), x, const_cast<double*>(y), f.data(), &status,
              userData);
        for (int64_t i = 0; i < m; ++i) {
            const double value = weight * (f[static_cast<std::size_t>(i)] - y[i]);
            if (status != 0 || !std::isfinite(value)) {
                modelFailed = true;
                return false;
            }
            gsl_vector_set(r, static_cast<std::size_t>(i), value);
        }
        return true;
    }
};

int ResidualsOf(const gsl_vector* z, void* data, gsl_vector* r) {
    return static_cast<Problem*>(data)->Residuals(z, r) ? GSL_SUCCESS : GSL_EDOM;
}

struct WorkspaceDeleter {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
struct VectorDeleter {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};

struct Settings {
    double xtol;
    int64_t iterations;
    gsl_multifit_nlinear_parameters parameters;
};

// Solves for the parameters listed in problem.solved; the status of the whole routine.
int64_t Fit(Problem& problem, const Settings& settings) {
    const std::size_t count = problem.solved.size();
    if (count == 0) {
        return kConverged;
    }
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = ResidualsOf;
    fdf.n = static_cast<std::size_t>(problem.m);
    fdf.p = count;
    fdf.params = &problem;
    std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceDeleter> workspace(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings.parameters, fdf.n, fdf.p));
    std::unique_ptr<gsl_vector, VectorDeleter> start(gsl_vector_alloc(count));
    if (!workspace || !start) {
        return kSolverFailed;
    }
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t k = problem.solved[j];
        gsl_vector_set(start.get(), j, problem.transforms[k].ToInternal(problem.p[k]));
    }
    if (gsl_multifit_nlinear_init(start.get(), &fdf, workspace.get()) != GSL_SUCCESS) {
        return problem.modelFailed ? kModelFailed : kSolverFailed;
    }
    int64_t outcome = kIterationLimit;
    for (int64_t iteration = 0; iteration < settings.iterations; ++iteration) {
        const int result = gsl_multifit_nlinear_iterate(workspace.get());
        if (problem.modelFailed) {
            return kModelFailed;
        }
        // Stops on the step size alone: GSL's gradient and cost tests, with tolerances a host
        // model would pass, stop short of the accuracy the step test gives.
        // GSL_ENOPROG: no step reduces the cost further; the point is as good as it gets.
        int info = 0;
        if (result == GSL_ENOPROG ||
            (result == GSL_SUCCESS && gsl_multifit_nlinear_test(settings.xtol, 0.0, 0.0, &info,
                                                                workspace.get()) == GSL_SUCCESS)) {
            outcome = kConverged;
            break;
        }
        if (result != GSL_SUCCESS) {
            return kSolverFailed;
        }
    }
    const gsl_vector* z = gsl_multifit_nlinear_position(workspace.get());
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t k = problem.solved[j];
        problem.p[k] = problem.transforms[k].ToParameter(gsl_vector_get(z, j));
    }
    return outcome;
}

// Puts parameters that ended next to a bound on it; true when one was moved.
bool SnapToBounds(Problem& problem) {
    bool moved = false;
    std::vector<std::size_t> still;
    for (const std::size_t k : problem.solved) {
        Transform& t = problem.transforms[k];
        const double width = t.box == Box::kBoth ? t.hi - t.lo : 1.0;
        const bool lower = (t.box == Box::kBoth || t.box == Box::kLower) &&
                           problem.p[k] - t.lo <= kOnBoundShare * width;
        const bool upper = (t.box == Box::kBoth || t.box == Box::kUpper) &&
                           t.hi - problem.p[k] <= kOnBoundShare * width;
        if (lower || upper) {
            t.lo = lower ? t.lo : t.hi;
            t.box = Box::kFixed;
            problem.p[k] = t.lo;
            moved = true;
        } else {
            still.push_back(k);
        }
    }
    problem.solved = still;
    return moved;
}

bool ReadSettings(const double* reals, const int64_t* integers, Settings& settings,
                  double& weight) {
    if (reals == nullptr || integers == nullptr) {
        return false;
    }
    settings.xtol = reals[1];
    weight = reals[2];
    settings.iterations = integers[1];
    settings.parameters = gsl_multifit_nlinear_default_parameters();
    settings.parameters.trs =
        integers[0] == 2 ? gsl_multifit_nlinear_trs_lmaccel : gsl_multifit_nlinear_trs_lm;
    settings.parameters.fdtype =
        integers[3] == 2 ? GSL_MULTIFIT_NLINEAR_CTRDIFF : GSL_MULTIFIT_NLINEAR_FWDIFF;
    const int64_t scaling = integers[4];
    settings.parameters.scale = scaling == 0   ? gsl_multifit_nlinear_scale_levenberg
                                : scaling == 1 ? gsl_multifit_nlinear_scale_marquardt
                                               : gsl_multifit_nlinear_scale_more;
    return settings.xtol > 0.0 && std::isfinite(settings.xtol) && weight > 0.0 &&
           std::isfinite(weight) && settings.iterations > 0;
}

bool ReadBox(double lo, double hi, bool bounded, Transform& t) {
    if (!bounded || (std::isinf(lo) && std::isinf(hi))) {
        return !std::isnan(lo) && !std::isnan(hi);
    }
    if (std::isnan(lo) || std::isnan(hi) || lo > hi || lo == INFINITY || hi == -INFINITY) {
        return false;
    }
    t.lo = lo;
    t.hi = hi;
    t.box = lo == hi         ? Box::kFixed
            : std::isinf(lo) ? Box::kUpper
            : std::isinf(hi) ? Box::kLower
                             : Box::kBoth;
    return true;
}

}  // namespace

extern "C" void HostBoundedLeastSquares(const int64_t* n, const int64_t* m, double* p,
                                        const double* y, const double* x, double* residuals,
                                        HostLeastSquaresModel model, void** userData,
                                        const double* reals, const int64_t* integers,
                                        const double* lower, const double* upper,
                                        const int64_t* bounded, const double* scales, double* error,
                                        int64_t* status) {
    if (status == nullptr) {
        return;
    }
    *status = kBadInput;
    try {
        Problem problem;
        Settings settings{};
        problem.n = n == nullptr ? 0 : *n;
        problem.m = m == nullptr ? 0 : *m;
        const bool useBounds = bounded != nullptr && *bounded != 0;
        if (problem.n < 1 || problem.m < problem.n || problem.m > kMaxSize || p == nullptr ||
            y == nullptr || x == nullptr || model == nullptr ||
            (useBounds && (lower == nullptr || upper == nullptr)) ||
            !ReadSettings(reals, integers, settings, problem.weight)) {
            return;
        }
        problem.y = y;
        problem.x = const_cast<double*>(x);
        problem.model = model;
        problem.userData = userData;
        problem.transforms.resize(static_cast<std::size_t>(problem.n));
        problem.p.assign(p, p + problem.n);
        problem.f.resize(static_cast<std::size_t>(problem.m));
        for (std::size_t k = 0; k < problem.transforms.size(); ++k) {
            Transform& t = problem.transforms[k];
            if (!std::isfinite(problem.p[k]) ||
                !ReadBox(useBounds ? lower[k] : 0.0, useBounds ? upper[k] : 0.0, useBounds, t) ||
                (scales != nullptr && !(scales[k] > 0.0))) {
                return;
            }
            if (t.box == Box::kFixed) {
                problem.p[k] = t.lo;
            } else {
                problem.solved.push_back(k);
            }
        }
        const brixel::host::GslErrorsReturned quiet;
        int64_t result = Fit(problem, settings);
        if (result == kConverged && useBounds && SnapToBounds(problem)) {
            result = Fit(problem, settings);
        }
        if (result < kConverged) {
            *status = result;
            return;
        }
        // Residuals and the error at the final point, from one more model evaluation.
        std::unique_ptr<gsl_vector, VectorDeleter> r(
            gsl_vector_alloc(static_cast<std::size_t>(problem.m)));
        problem.solved.clear();  // evaluate at p as it stands
        if (!problem.Residuals(nullptr, r.get())) {
            *status = kModelFailed;
            return;
        }
        double sum = 0.0;
        for (int64_t i = 0; i < problem.m; ++i) {
            const double ri = gsl_vector_get(r.get(), static_cast<std::size_t>(i));
            sum += ri * ri;
            if (residuals != nullptr) {
                residuals[i] = -ri / problem.weight;
            }
        }
        std::copy(problem.p.begin(), problem.p.end(), p);
        if (error != nullptr) {
            *error = std::sqrt(sum / static_cast<double>(problem.m)) / problem.weight;
        }
        *status = result;
    } catch (...) {
        *status = kSolverFailed;
    }
}
