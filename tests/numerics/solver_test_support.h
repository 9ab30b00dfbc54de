#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
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
