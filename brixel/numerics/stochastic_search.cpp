// Stochastic multi-dimensional minimizers of CSolver: the genetic algorithm, tabu search and
// simulated annealing. Their random numbers come from the object's own generator, restarted
// from the object's seed by every run.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

constexpr double kRandomMax = 32767.0;
// Classes per dimension in which the genetic algorithm records where its genes lay.
constexpr int kGeneClasses = 10;
constexpr std::size_t kClasses = kGeneClasses;

// Rows of n values in one block (a population, or segment counts).
class Rows {
  public:
    Rows(std::size_t rows, std::size_t width) : m_width(width), m_values(rows * width, 0.0) {}
    double* operator[](std::size_t row) { return m_values.data() + row * m_width; }
    const double* operator[](std::size_t row) const { return m_values.data() + row * m_width; }
    double Sum() const {
        double sum = 0.0;
        for (double value : m_values) {
            sum += value;
        }
        return sum;
    }

  private:
    std::size_t m_width;
    std::vector<double> m_values;
};

// Index s of the class of `value` among `classes` equal classes of [lower, lower + width),
// or -1 (the upper bound itself belongs to none).
int ClassOf(double value, double lower, double width, int classes) {
    const double classWidth = width / classes;
    if (!(classWidth > 0.0)) {
        return -1;
    }
    for (int s = 0; s < classes; ++s) {
        if (lower + s * classWidth <= value && value < lower + (s + 1) * classWidth) {
            return s;
        }
    }
    return -1;
}

// Roulette over classes with the given weights, tested against the running sum before each
// class adds its own weight; -1 when none is taken.
template <typename Weight>
int DrawClass(double u, int classes, Weight weight) {
    double running = 0.0;
    for (int s = 0; s < classes; ++s) {
        if (u <= running) {
            return s;
        }
        running += weight(s);
    }
    return -1;
}

bool IsHigher(double candidate, double incumbent) {
    return IsLower(incumbent, candidate);
}

// Ascending order of the values by a Shell sort with the gaps 1, 4, 13, 40, ...; an entry
// moves only past strictly higher values (a value that is not a number counts as highest).
void ShellSortOrder(const std::vector<double>& values, std::vector<int>& order) {
    const int size = static_cast<int>(order.size());
    for (int i = 0; i < size; ++i) {
        order[i] = i;
    }
    int gap = 1;
    while (3 * gap + 1 <= size) {
        gap = 3 * gap + 1;
    }
    for (; gap >= 1; gap /= 3) {
        for (int i = gap; i < size; ++i) {
            const int moving = order[i];
            int k = i;
            while (k >= gap && IsHigher(values[order[k - gap]], values[moving])) {
                order[k] = order[k - gap];
                k -= gap;
            }
            order[k] = moving;
        }
    }
}

}  // namespace
}  // namespace brixel

using brixel::IsLower;
using brixel::ReportSolverMessage;
namespace solver_message = brixel::solver_message;

bool CSolver::GeneticAlgorithm(const double* lower, const double* upper, FunctionND function, int n,
                               double* x, int* count, double* value, const double* start,
                               CString* message) {
    if (!StartRandomRun(lower, upper, function != nullptr, n, x, start, message)) {
        return false;
    }
    const int generation = m_nGAGenSize - m_nGAGenSize % 2;  // odd sizes round down
    if (generation < 2) {
        ReportSolverMessage(message, solver_message::kChangeGenerationSize);
        return false;
    }
    if (!(m_dblGASigma >= 0.0) || !std::isfinite(m_dblGASigma)) {
        ReportSolverMessage(message, solver_message::kChangeSigma);
        return false;
    }
    const brixel::SolverBox box{lower, upper, n};
    const brixel::SolverPointOutputs out{x, count, value, n};
    const auto size = static_cast<std::size_t>(n);
    const int population = generation + 1;  // slot 0 holds the elite
    const auto slots = static_cast<std::size_t>(population);
    const int pairs = generation / 2;
    auto uniform = [this] { return Random() / brixel::kRandomMax; };

    brixel::Rows genes(slots, size);
    brixel::Rows ranked(slots, size);
    std::vector<double> values(slots);
    std::vector<double> rankedValues(slots);
    std::vector<int> order(slots);
    brixel::Rows classCounts(size, brixel::kClasses);
    double classTotal = 0.0;
    std::vector<double> lastRanked(size);
    double lastRankedValue = 0.0;
    bool ranking = false;  // some ranking has been made
    std::vector<double> resultPoint(size);
    double resultValue = 0.0;
    bool resultStored = false;
    int64_t evaluations = 0;

    // The last ranking's best replaces the result when it is strictly lower than the result,
    // or than the caller's value while no run has ended.
    auto earlyEnd = [&] {
        if (ranking) {
            const bool improves = resultStored       ? lastRankedValue < resultValue
                                  : value != nullptr ? lastRankedValue < *value
                                                     : true;
            if (improves) {
                resultPoint = lastRanked;
                resultValue = lastRankedValue;
                resultStored = true;
            }
        }
        if (resultStored) {
            out.Write(resultPoint.data(), evaluations, resultValue);
        }
        if (evaluations != 0) {
            brixel::SolverOutputs{nullptr, count, nullptr}.Write(0.0, evaluations, 0.0);
        }
        ReportSolverMessage(message, solver_message::kUserBreak);
        return false;
    };
    auto evaluate = [&](std::size_t slot) {
        if (m_bUserBreak) {
            return false;
        }
        values[slot] = function(genes[slot]);
        ++evaluations;
        return true;
    };
    auto mean = [&] {
        double sum = 0.0;
        for (double v : values) {
            sum += v;
        }
        return sum / population;
    };
    // Polar Box-Muller: a standard normal number.
    auto normal = [&] {
        for (;;) {
            const double a = 2.0 * uniform() - 1.0;
            const double b = 2.0 * uniform() - 1.0;
            const double s = a * a + b * b;
            if (s < 1.0 && s > 0.0) {
                return a * std::sqrt(-2.0 * std::log(s) / s);
            }
        }
    };
    // Linear ranking: the first rank u with S - sum(m = 0 ... u)(P - m) < t, passing over
    // `skipped`.
    const double rankSum = population * (population - 1) / 2.0;
    auto drawParent = [&](int skipped) {
        const double t = std::trunc(Random() * rankSum / brixel::kRandomMax);
        double sum = 0.0;
        int fallback = 0;
        for (int u = 0; u < population; ++u) {
            sum += population - u;
            if (u == skipped) {
                continue;
            }
            fallback = u;
            if (rankSum - sum < t) {
                return u;
            }
        }
        return fallback;
    };

    if (m_nGAMaxAllowedSteps < 1) {
        return earlyEnd();
    }
    for (int run = 0;; ++run) {
        if (run == 0) {
            box.Start(start, genes[0]);
            for (std::size_t i = 1; i < slots; ++i) {
                for (int j = 0; j < n; ++j) {
                    genes[i][j] = lower[j] + box.Width(j) * uniform();
                }
            }
        } else {
            // Drawn towards the classes visited least so far.
            classTotal += classCounts.Sum();
            for (std::size_t i = 0; i < slots; ++i) {
                for (std::size_t j = 0; j < size; ++j) {
                    const double* counts = classCounts[j];
                    const int k = brixel::DrawClass(uniform(), brixel::kGeneClasses, [&](int c) {
                        return (1.0 - counts[c] / classTotal) / brixel::kGeneClasses;
                    });
                    if (k >= 0) {
                        genes[i][j] = lower[j] + (k + 0.5) * box.Width(static_cast<int>(j)) /
                                                     brixel::kGeneClasses;
                    }
                }
            }
        }
        for (std::size_t i = 0; i < slots; ++i) {
            if (!evaluate(i)) {
                return earlyEnd();
            }
        }
        double bestAverage = mean();
        int stagnation = 0;
        bool rankedThisRun = false;
        for (;;) {
            if (evaluations >= m_nGAMaxAllowedSteps) {
                return earlyEnd();
            }
            if (stagnation > m_nGALastGenerations) {
                break;
            }
            brixel::ShellSortOrder(values, order);
            for (std::size_t r = 0; r < slots; ++r) {
                std::copy(genes[order[r]], genes[order[r]] + n, ranked[r]);
                rankedValues[r] = values[order[r]];
            }
            std::copy(ranked[0], ranked[0] + n, lastRanked.begin());
            lastRankedValue = rankedValues[0];
            ranking = true;
            rankedThisRun = true;
            bool betterThanElite = false;
            for (std::size_t i = 1; i < slots; ++i) {
                betterThanElite = betterThanElite || values[i] < values[0];
            }
            const int carried = betterThanElite ? 0 : stagnation;

            std::copy(ranked[0], ranked[0] + n, genes[0]);
            values[0] = rankedValues[0];
            for (int p = 0; p < pairs; ++p) {
                const int first = drawParent(-1);
                const int second = drawParent(first);
                const int cut = static_cast<int>(Random() * n / brixel::kRandomMax);
                double* child = genes[static_cast<std::size_t>(1 + p)];
                double* twin = genes[static_cast<std::size_t>(1 + pairs + p)];
                for (int j = 0; j < n; ++j) {
                    child[j] = j < cut ? ranked[second][j] : ranked[first][j];
                    twin[j] = j < cut ? ranked[first][j] : ranked[second][j];
                }
            }
            const double spread = std::sqrt(m_dblGASigma);
            for (std::size_t i = 1; i < slots; ++i) {
                for (int j = 0; j < n; ++j) {
                    if (Random() * 1000.0 / brixel::kRandomMax < m_nGAMutationFrequency) {
                        genes[i][j] = box.Clamp(j, genes[i][j] + normal() * spread * box.Width(j));
                    }
                }
            }
            for (std::size_t i = 1; i < slots; ++i) {
                if (std::equal(genes[i], genes[i] + n, genes[0])) {
                    values[i] = values[0];
                } else if (!evaluate(i)) {
                    return earlyEnd();
                }
            }
            const double average = mean();
            stagnation = 1 + (average < bestAverage ? 0 : carried);
            bestAverage = std::min(bestAverage, average);
            for (std::size_t i = 0; i < slots; ++i) {
                for (int j = 0; j < n; ++j) {
                    const int k =
                        brixel::ClassOf(genes[i][j], lower[j], box.Width(j), brixel::kGeneClasses);
                    if (k >= 0) {
                        classCounts[static_cast<std::size_t>(j)][k] += 1.0;
                    }
                }
            }
        }
        // The run's result: the best of its last ranking (its first population when it made
        // none).
        if (!rankedThisRun) {
            brixel::ShellSortOrder(values, order);
            std::copy(genes[order[0]], genes[order[0]] + n, lastRanked.begin());
            lastRankedValue = values[order[0]];
            ranking = true;
        }
        if (!resultStored || IsLower(lastRankedValue, resultValue)) {
            resultPoint = lastRanked;
            resultValue = lastRankedValue;
            resultStored = true;
        }
        if (run > m_nGARepetitions) {
            out.Write(resultPoint.data(), evaluations, resultValue);
            return true;
        }
    }
}

bool CSolver::TabuSearch(const double* lower, const double* upper, FunctionND function, int n,
                         double* x, int* count, double* value, const double* start,
                         CString* message) {
    const int segments = m_iTabuNumbSeg;
    if (!StartRandomRun(lower, upper, function != nullptr, n, x, start, message, segments)) {
        return false;
    }
    const brixel::SolverBox box{lower, upper, n};
    const brixel::SolverPointOutputs out{x, count, value, n};
    const auto size = static_cast<std::size_t>(n);
    int tenure = m_nTabuTenure == -1
                     ? static_cast<int>(0.75 * std::sqrt(static_cast<double>(segments) * n))
                     : m_nTabuTenure;
    tenure = std::max(tenure, 1);
    const int stop = std::max(m_nTabuStop == -1 ? 2 * n : m_nTabuStop, 1);
    const std::vector<double> step = box.SegmentSteps(segments);
    bool singlePoint = true;
    for (int j = 0; j < n; ++j) {
        singlePoint = singlePoint && box.Width(j) == 0.0;
    }

    std::vector<double> current(size);
    std::vector<double> best(size);
    std::vector<double> candidate(size);
    std::vector<int> tabuUp(size);
    std::vector<int> tabuDown(size);
    brixel::Rows visits(size, static_cast<std::size_t>(segments));
    double moves = 0.0;  // M
    int64_t evaluations = 0;
    box.Start(start, current.data());
    double currentValue = function(current.data());
    ++evaluations;
    best = current;
    double bestValue = currentValue;
    auto finish = [&](bool converged) {
        out.Write(best.data(), evaluations, bestValue);
        if (!converged) {
            ReportSolverMessage(message, evaluations >= m_nTabuMaxAllowedSteps
                                             ? solver_message::kMaxIterations
                                             : solver_message::kUserBreak);
        }
        return converged;
    };
    // Every move of a box that is a single point would stay tabu for ever.
    if (singlePoint) {
        return finish(true);
    }

    for (int run = 0; run <= m_iTabuRepetitions; ++run) {
        if (run > 0) {
            // A new start, drawn towards the segments visited least; its value is not
            // evaluated.
            for (std::size_t j = 0; j < size; ++j) {
                const double* counts = visits[j];
                const int s =
                    brixel::DrawClass(Random() / brixel::kRandomMax, segments, [&](int c) {
                        return (moves > 0.0 ? 1.0 - counts[c] / moves : 1.0) / segments;
                    });
                if (s >= 0) {
                    current[j] = lower[j] + (s + 0.5) * step[j];
                }
            }
        }
        std::fill(tabuUp.begin(), tabuUp.end(), 0);
        std::fill(tabuDown.begin(), tabuDown.end(), 0);
        bool lowestSet = false;
        double lowest = 0.0;
        int stagnation = 0;
        if (evaluations >= m_nTabuMaxAllowedSteps) {
            return finish(false);
        }
        while (stagnation < stop) {
            for (std::size_t j = 0; j < size; ++j) {
                tabuUp[j] = std::max(tabuUp[j] - 1, 0);
                tabuDown[j] = std::max(tabuDown[j] - 1, 0);
            }
            const double r = Random() / brixel::kRandomMax;
            for (int j = 0; j < n; ++j) {
                if (current[j] >= upper[j]) {
                    tabuUp[j] = tenure;
                }
                if (current[j] <= lower[j]) {
                    tabuDown[j] = tenure;
                }
            }
            bool improving = false;
            bool someFree = false;
            double chosenValue = 0.0;
            double chosenCoordinate = 0.0;
            int chosenDimension = -1;
            bool chosenUp = false;
            for (int direction = 0; direction < 2; ++direction) {
                const bool up = direction == 0;
                for (int j = 0; j < n; ++j) {
                    const bool tabu = (up ? tabuUp[j] : tabuDown[j]) > 0;
                    if (tabu && !m_bTabuAspiration) {
                        continue;
                    }
                    const bool unitStep = j == m_nTabuUnitStepDim1 || j == m_nTabuUnitStepDim2;
                    const double change = unitStep ? 1.0 : r * step[j];
                    candidate = current;
                    candidate[j] = up ? std::min(current[j] + change, upper[j])
                                      : std::max(current[j] - change, lower[j]);
                    if (m_bUserBreak) {
                        return finish(false);
                    }
                    const double f = function(candidate.data());
                    ++evaluations;
                    if (!tabu) {
                        someFree = true;
                        if (f < currentValue) {
                            current = candidate;
                            currentValue = f;
                            improving = true;
                        }
                        if (chosenDimension < 0 || f <= chosenValue) {
                            chosenValue = f;
                            chosenCoordinate = candidate[j];
                            chosenDimension = j;
                            chosenUp = up;
                        }
                    }
                    if (m_bTabuAspiration && f < bestValue) {
                        current = candidate;
                        currentValue = f;
                        improving = true;
                    }
                }
            }
            if (!improving && someFree) {
                const auto j = static_cast<std::size_t>(chosenDimension);
                current[j] = chosenCoordinate;
                currentValue = chosenValue;
                (chosenUp ? tabuDown[j] : tabuUp[j]) = Random() % tenure + tenure / 2;
            }
            if (currentValue <= bestValue) {
                best = current;
                bestValue = currentValue;
            }
            stagnation = lowestSet && lowest < currentValue ? stagnation + 1 : 1;
            if (!lowestSet || currentValue < lowest) {
                lowest = currentValue;
                lowestSet = true;
            }
            moves += 1.0;
            for (std::size_t j = 0; j < size; ++j) {
                const int s =
                    brixel::ClassOf(current[j], lower[j], box.Width(static_cast<int>(j)), segments);
                if (s >= 0) {
                    visits[j][s] += 1.0;
                }
            }
            if (evaluations >= m_nTabuMaxAllowedSteps) {
                return finish(false);
            }
        }
    }
    return finish(true);
}

bool CSolver::SimulatedAnnealing(const double* lower, const double* upper, FunctionND function,
                                 int n, double* x, int* count, double* value, const double* start,
                                 CString* message) {
    const int segments = m_nSANumbSeg;
    if (!StartRandomRun(lower, upper, function != nullptr, n, x, start, message, segments)) {
        return false;
    }
    const brixel::SolverBox box{lower, upper, n};
    const brixel::SolverPointOutputs out{x, count, value, n};
    const auto size = static_cast<std::size_t>(n);
    std::vector<double> step = box.SegmentSteps(segments);
    std::vector<double> current(size);
    std::vector<double> trial(size);
    std::vector<double> best(size);
    int64_t evaluations = 0;
    auto uniform = [this] { return Random() / brixel::kRandomMax; };
    auto finish = [&](bool converged, double bestValue, const char* text) {
        out.Write(best.data(), evaluations, bestValue);
        if (!converged) {
            ReportSolverMessage(message, text);
        }
        return converged;
    };

    box.Start(start, current.data());
    double currentValue = function(current.data());
    ++evaluations;
    best = current;
    double bestValue = currentValue;
    // Every coordinate moves by up to one step either way, kept in the box.
    auto move = [&] {
        for (int j = 0; j < n; ++j) {
            trial[j] = box.Clamp(j, current[j] + (2.0 * uniform() - 1.0) * step[j]);
        }
    };
    // Start temperature from a random walk that takes every move: the mean rise of the moves
    // that did not lower the value, against the initial acceptance ratio.
    constexpr int kWalkMoves = 50;
    int lowered = 0;  // m1
    int other = 0;    // m2
    double rise = 0.0;
    for (int i = 0; i < kWalkMoves; ++i) {
        move();
        if (m_bUserBreak) {
            return finish(false, bestValue, solver_message::kUserBreak);
        }
        const double f = function(trial.data());
        ++evaluations;
        if (f < currentValue) {
            ++lowered;
        } else {
            ++other;
            rise += f - currentValue;
        }
        current = trial;
        currentValue = f;
        if (IsLower(f, bestValue)) {
            best = current;
            bestValue = f;
        }
    }
    double temperature =
        (rise / other) /
        std::log(other / (0.9 * other - (1.0 - m_dblSAInitialAcceptance) * lowered));

    const double stageMoves = 2.0 * n * segments;
    int stage = 0;
    int movesInStage = 0;
    int acceptedInRow = 0;
    int stagesWithoutBest = 0;
    double bestAtStageEnd = bestValue;
    for (;;) {
        if (evaluations >= m_nSAMaxAllowedSteps) {
            return finish(false, bestValue, solver_message::kMaxIterations);
        }
        move();
        if (m_bUserBreak) {
            return finish(false, bestValue, solver_message::kUserBreak);
        }
        const double f = function(trial.data());
        ++evaluations;
        ++movesInStage;
        if (f < currentValue || std::exp((currentValue - f) / temperature) > uniform()) {
            current = trial;
            currentValue = f;
            ++acceptedInRow;
            if (IsLower(f, bestValue)) {
                best = current;
                bestValue = f;
            }
        } else {
            acceptedInRow = 0;
        }
        bool stageEnd = movesInStage > std::max(100.0, 0.1 * stageMoves * stage);
        if (!stageEnd && acceptedInRow > stageMoves) {
            stageEnd = true;
            acceptedInRow = 0;
        }
        if (stageEnd) {
            temperature *= m_dblSAAlpha;
            for (double& s : step) {
                s *= 0.95;
            }
            ++stagesWithoutBest;
            if (bestValue < bestAtStageEnd) {
                stagesWithoutBest = 0;
            }
            bestAtStageEnd = bestValue;
            ++stage;
            movesInStage = 0;
            if (stagesWithoutBest > m_nSATempSteps || temperature < 0.01) {
                return finish(true, bestValue, nullptr);
            }
        }
    }
}
