#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "brixel/numerics/solver.h"

// Objectives for the solver tests: plain functions (as the solver takes them) that record
// every point they are evaluated at and can request a user break at a chosen evaluation.
namespace solver_test {

struct Evaluations {
    static inline std::vector<double> points;
    static inline CSolver* solver = nullptr;
    static inline std::size_t breakAt = 0;  // evaluation (from 1) that calls TerminateAll

    static void Reset(CSolver* breaking = nullptr, std::size_t at = 0) {
        points.clear();
        solver = breaking;
        breakAt = at;
    }
    static double Record(double x) {
        points.push_back(x);
        if (solver != nullptr && points.size() == breakAt) {
            solver->TerminateAll();
        }
        return x;
    }
};

constexpr double Square(double d) {
    return d * d;
}

// Each objective records its point first; the minima and roots are stated beside it.
constexpr CSolver::Function1D ShiftedParabola = [](double x) {  // minimum 1 at x = 2
    return Square(Evaluations::Record(x) - 2.0) + 1.0;
};
constexpr CSolver::Function1D ParabolaAtFour = [](double x) {  // minimum 1 at x = 4
    return Square(Evaluations::Record(x) - 4.0) + 1.0;
};
constexpr CSolver::Function1D NotANumber = [](double x) {
    Evaluations::Record(x);
    return std::numeric_limits<double>::quiet_NaN();
};

}  // namespace solver_test

namespace solver_test {

// Multi-dimensional objectives record how often they are called and fail the test when called
// outside the box they are given; they can request a user break at a chosen evaluation.
struct BoxEvaluations {
    static inline std::vector<double> lower;
    static inline std::vector<double> upper;
    static inline std::vector<std::vector<double>> points;
    static inline CSolver* solver = nullptr;
    static inline std::size_t breakAt = 0;  // evaluation (from 1) that calls TerminateAll

    static void Reset(std::vector<double> low, std::vector<double> high,
                      CSolver* breaking = nullptr, std::size_t at = 0) {
        lower = std::move(low);
        upper = std::move(high);
        points.clear();
        solver = breaking;
        breakAt = at;
    }
    static void Record(const double* x) {
        points.emplace_back(x, x + lower.size());
        for (std::size_t j = 0; j < lower.size(); ++j) {
            if (!(lower[j] <= x[j] && x[j] <= upper[j])) {
                ADD_FAILURE() << "evaluated outside the box: coordinate " << j << " = " << x[j];
            }
        }
        if (solver != nullptr && points.size() == breakAt) {
            solver->TerminateAll();
        }
    }
};

}  // namespace solver_test
