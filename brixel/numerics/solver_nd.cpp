// Multi-dimensional minimizers of CSolver without line searches: the exhaustive grid search
// and Box's complex method for problems with a feasibility constraint; the start checks and
// the random numbers that the multi-dimensional methods share.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

// Vertices of the complex: K points of n coordinates in one block, and their values.
class Vertices {
  public:
    Vertices(int count, int n)
        : m_n(static_cast<std::size_t>(n)),
          m_points(static_cast<std::size_t>(count) * m_n),
          m_values(static_cast<std::size_t>(count)) {}
    double* operator[](int i) { return m_points.data() + static_cast<std::size_t>(i) * m_n; }
    double& Value(int i) { return m_values[static_cast<std::size_t>(i)]; }
    // Index of the lowest (highest) value, the first one on ties.
    int Best(int count) const {
        int best = 0;
        for (int i = 1; i < count; ++i) {
            if (IsLower(m_values[i], m_values[best])) {
                best = i;
            }
        }
        return best;
    }
    int Worst(int count) const {
        int worst = 0;
        for (int i = 1; i < count; ++i) {
            if (IsLower(m_values[worst], m_values[i])) {
                worst = i;
            }
        }
        return worst;
    }
    // Centroid of vertices 0 ... count - 1 without `skipped` (-1: none).
    void Centroid(int count, int skipped, double* centroid) {
        const int used = skipped >= 0 && skipped < count ? count - 1 : count;
        for (std::size_t j = 0; j < m_n; ++j) {
            double sum = 0.0;
            for (int i = 0; i < count; ++i) {
                if (i != skipped) {
                    sum += (*this)[i][j];
                }
            }
            centroid[j] = sum / used;
        }
    }

  private:
    std::size_t m_n;
    std::vector<double> m_points;
    std::vector<double> m_values;
};

}  // namespace
}  // namespace brixel

using brixel::IsLower;
using brixel::ReportSolverMessage;
namespace solver_message = brixel::solver_message;

bool CSolver::PassesBoxChecks(const double* lower, const double* upper, bool hasFunction, int n,
                              const double* x, const double* start, CString* message) const {
    const char* failure = nullptr;
    if (!hasFunction) {
        failure = solver_message::kNoFunction;
    } else if (n < 1 || lower == nullptr || upper == nullptr) {
        failure = solver_message::kNoSolutionSpace;
    } else if (x == nullptr || start == nullptr) {
        failure = solver_message::kNoParameter;
    } else {
        for (int j = 0; j < n; ++j) {
            if (!std::isfinite(lower[j]) || !std::isfinite(upper[j]) || lower[j] > upper[j]) {
                failure = solver_message::kNoSolutionSpace;
                break;
            }
        }
    }
    if (failure != nullptr) {
        ReportSolverMessage(message, failure);
    }
    return failure == nullptr;
}

bool CSolver::StartRandomRun(const double* lower, const double* upper, bool hasFunction, int n,
                             const double* x, const double* start, CString* message, int segments) {
    m_bUserBreak = false;
    m_random.seed(m_nRandomSeed);
    if (!PassesBoxChecks(lower, upper, hasFunction, n, x, start, message)) {
        return false;
    }
    if (segments < 1) {  // the step of a dimension is its width over the segments
        ReportSolverMessage(message, solver_message::kChangeSegments);
        return false;
    }
    return true;
}

int CSolver::Random() {
    return static_cast<int>(m_random() >> 17);  // the top 15 of 32 bits
}

bool CSolver::GridSearch(const double* lower, const double* upper, FunctionND function, int n,
                         double* x, int* count, double* value, CString* message,
                         const double* steps) {
    m_bUserBreak = false;
    if (!PassesBoxChecks(lower, upper, function != nullptr, n, x, x, message)) {
        return false;
    }
    const auto size = static_cast<std::size_t>(n);
    std::vector<double> step(size);
    std::vector<double> stepCount(size);  // the number of steps N_j, a real number
    double product = 1.0;
    for (std::size_t j = 0; j < size; ++j) {
        step[j] = steps != nullptr ? steps[j] : m_dblGridStep;
        if (!(step[j] > 0.0) || !std::isfinite(step[j])) {
            ReportSolverMessage(message, solver_message::kChangeStepSize);
            return false;
        }
        stepCount[j] = (upper[j] - lower[j]) / step[j];
        // A dimension with less than one step must not make the product 0 and so hide the
        // size of the others.
        product *= std::max(std::trunc(stepCount[j]), 1.0);
    }
    if (steps == nullptr && product > m_nGridMaxAllowedSteps) {
        ReportSolverMessage(message, solver_message::kTooManySteps);
        return false;
    }

    const brixel::SolverPointOutputs out{x, count, value, n};
    std::vector<int64_t> index(size, 0);
    std::vector<double> point(lower, lower + n);
    std::vector<double> best(size);
    double bestValue = 0.0;
    int64_t evaluations = 0;
    for (;;) {
        if (m_bUserBreak) {
            if (evaluations > 0) {
                out.Write(best.data(), evaluations, bestValue);
            }
            ReportSolverMessage(message, solver_message::kUserBreak);
            return false;
        }
        const double f = function(point.data());
        ++evaluations;
        if (evaluations == 1 || IsLower(f, bestValue)) {
            best = point;
            bestValue = f;
        }
        // Next grid point, the last dimension fastest.
        std::size_t j = size;
        while (j > 0) {
            --j;
            ++index[j];
            if (static_cast<double>(index[j]) <= stepCount[j]) {
                // Rounding must not carry the last point past the bound.
                point[j] = std::min(lower[j] + static_cast<double>(index[j]) * step[j], upper[j]);
                break;
            }
            index[j] = 0;
            point[j] = lower[j];
            if (j == 0) {
                out.Write(best.data(), evaluations, bestValue);
                return true;
            }
        }
    }
}

bool CSolver::Complex(const double* lower, const double* upper, FunctionND function,
                      ConstraintND feasible, int n, double* x, int* count, double* value,
                      const double* start, CString* message) {
    if (!StartRandomRun(lower, upper, function != nullptr && feasible != nullptr, n, x, start,
                        message)) {
        return false;
    }
    const brixel::SolverBox box{lower, upper, n};
    const brixel::SolverPointOutputs out{x, count, value, n};
    const auto size = static_cast<std::size_t>(n);

    const int most = std::max(3, 2 * n);
    const int vertexCount = std::clamp(m_nComplexNumbPoints == -1 ? most : m_nComplexNumbPoints,
                                       std::max(3, n + 1), most);
    std::vector<double> tolerance(size);
    for (int j = 0; j < n; ++j) {
        tolerance[j] = std::fabs(box.Width(j)) * m_dblComplexParTolerance;
    }
    brixel::Vertices vertices(vertexCount, n);
    std::vector<double> centroid(size);
    std::vector<double> worstPoint(size);
    std::vector<double> trial(size);
    std::vector<double> expansion(size);
    int64_t evaluations = 0;

    // One evaluation: objective and predicate; false when the user broke off before it.
    bool trialFeasible = false;
    double trialValue = 0.0;
    auto evaluate = [&](const double* point) {
        if (m_bUserBreak) {
            return false;
        }
        trialValue = function(point);
        trialFeasible = feasible(point);
        ++evaluations;
        return true;
    };
    // Early end with the best of the first `accepted` vertices (none: only the count).
    auto stop = [&](int accepted, const char* text) {
        if (accepted > 0) {
            const int best = vertices.Best(accepted);
            out.Write(vertices[best], evaluations, vertices.Value(best));
        } else if (count != nullptr) {
            brixel::SolverOutputs{nullptr, count, nullptr}.Write(0.0, evaluations, 0.0);
        }
        ReportSolverMessage(message, text);
        return false;
    };
    auto randomPoint = [&](double* point) {
        for (int j = 0; j < n; ++j) {
            point[j] = box.Clamp(j, lower[j] + box.Width(j) * Random() / 32767.0);
        }
    };

    // Building: each vertex is a feasible point, found within m_nComplexMaxFirst candidates.
    int attempts = 0;
    for (int i = 0; i < vertexCount; ++i) {
        double* vertex = vertices[i];
        if (i == 0) {
            box.Start(start, vertex);
        } else {
            randomPoint(vertex);
            vertices.Centroid(i, -1, centroid.data());
        }
        for (;;) {
            if (++attempts > m_nComplexMaxFirst) {
                return stop(i, solver_message::kNoFeasibleComplex);
            }
            if (!evaluate(vertex)) {
                return stop(i, solver_message::kUserBreak);
            }
            if (trialFeasible) {
                vertices.Value(i) = trialValue;
                break;
            }
            if (i == 0) {
                randomPoint(vertex);
                continue;
            }
            bool nearCentroid = false;
            for (int j = 0; j < n; ++j) {
                vertex[j] = box.Clamp(j, 0.5 * (vertex[j] + centroid[j]));
                nearCentroid =
                    nearCentroid || std::fabs(vertex[j] - centroid[j]) < 3.0 * tolerance[j];
            }
            if (nearCentroid) {
                randomPoint(vertex);
            }
        }
    }

    // Takes the trial point when it lies in the box, is feasible and its value is below (or,
    // with `orEqual`, equal to) the limit; false also after a user break (`broken`).
    bool broken = false;
    auto tryPoint = [&](const double* point, double limit, bool orEqual) {
        if (!box.Contains(point)) {
            return false;
        }
        if (!evaluate(point)) {
            broken = true;
            return false;
        }
        return trialFeasible && (trialValue < limit || (orEqual && trialValue <= limit));
    };
    const int last = vertexCount;
    do {
        const int worst = vertices.Worst(last);
        const int best = vertices.Best(last);
        vertices.Centroid(last, worst, centroid.data());
        const double worstValue = vertices.Value(worst);
        std::copy(vertices[worst], vertices[worst] + n, worstPoint.begin());
        for (int j = 0; j < n; ++j) {
            trial[j] = centroid[j] + m_dblComplexAlpha * (centroid[j] - worstPoint[j]);
        }
        bool replaced = false;
        if (tryPoint(trial.data(), worstValue, false)) {
            double takenValue = trialValue;
            for (int j = 0; j < n; ++j) {
                expansion[j] = centroid[j] + m_dblComplexGama * (centroid[j] - worstPoint[j]);
            }
            if (tryPoint(expansion.data(), worstValue, false)) {
                trial = expansion;
                takenValue = trialValue;
            }
            if (broken) {
                return stop(last, solver_message::kUserBreak);
            }
            std::copy(trial.begin(), trial.end(), vertices[worst]);
            vertices.Value(worst) = takenValue;
            replaced = true;
        }
        // Contraction towards the centroid, its reflection, then the middle of worst and best.
        for (int attempt = 0; !replaced && attempt < 3 && !broken; ++attempt) {
            for (int j = 0; j < n; ++j) {
                if (attempt == 0) {
                    trial[j] = centroid[j] + m_dblComplexBeta * (trial[j] - centroid[j]);
                } else if (attempt == 1) {
                    trial[j] = centroid[j] + m_dblComplexAlpha * (centroid[j] - trial[j]);
                } else {
                    trial[j] = 0.5 * (worstPoint[j] + vertices[best][j]);
                }
            }
            if (tryPoint(trial.data(), worstValue, true)) {
                std::copy(trial.begin(), trial.end(), vertices[worst]);
                vertices.Value(worst) = trialValue;
                replaced = true;
            }
        }
        // Shrinking towards the best vertex.
        for (int i = 0; i < last && !replaced && !broken; ++i) {
            if (i == best) {
                continue;
            }
            for (int j = 0; j < n; ++j) {
                trial[j] = box.Clamp(j, 0.5 * (vertices[i][j] + vertices[best][j]));
            }
            if (!evaluate(trial.data())) {
                broken = true;
            } else if (trialFeasible) {
                std::copy(trial.begin(), trial.end(), vertices[i]);
                vertices.Value(i) = trialValue;
            }
        }
        if (broken) {
            return stop(last, solver_message::kUserBreak);
        }

        // Convergence: the spread of the values and of each coordinate; n of the n + 1 tests.
        double mean = 0.0;
        for (int i = 0; i < last; ++i) {
            mean += vertices.Value(i);
        }
        mean /= last;
        double spread = 0.0;
        for (int i = 0; i < last; ++i) {
            spread += (vertices.Value(i) - mean) * (vertices.Value(i) - mean);
        }
        int holding = spread < m_dblComplexFuncTolerance * std::max(std::fabs(mean), 1e-10) ? 1 : 0;
        vertices.Centroid(last, -1, centroid.data());
        for (int j = 0; j < n; ++j) {
            double squares = 0.0;
            for (int i = 0; i < last; ++i) {
                squares += (vertices[i][j] - centroid[j]) * (vertices[i][j] - centroid[j]);
            }
            holding += squares < tolerance[j] ? 1 : 0;
        }
        if (holding >= n) {
            const int result = vertices.Best(last);
            out.Write(vertices[result], evaluations, vertices.Value(result));
            return true;
        }
    } while (evaluations < m_nComplexMaxAllowedSteps);
    return stop(last, solver_message::kMaxIterations);
}
