#include "brixel/models/growth/growth_law.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "brixel/framework/host_interface.h"

namespace brixel::growth {

namespace {

constexpr double kSixthPi = std::numbers::pi / 6.0;
constexpr double kRelativeTolerance = 1e-4;  // of the mass change, on the law's total
constexpr double kScaleToStep = 0.01;        // diameter law: step a hundredth of the scale
constexpr double kRowSumTolerance = 1e-6;
constexpr double kDensityTolerance = 1e-6;    // kg/m3
constexpr double kEventFraction = 1e-4;       // classes lighter than this raise no event
constexpr double kSmallestClassMass = 1e-10;  // kg/s; equivalent growth

double LargestOccupiedMean(const ClassState& classes) {
    for (std::size_t i = classes.mean.size(); i-- > 0;) {
        if (classes.number[i] > 0.0) {
            return classes.mean[i];
        }
    }
    return 0.0;
}

// Sets the rows' relative masses to sum to one over the inlet fractions; false when nothing
// would remain.
bool RescaleRows(GrowthPlan& plan, const std::vector<double>& fractions) {
    double sum = 0.0;
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        sum += plan.relative[i] * fractions[i];
    }
    plan.rowScale = sum;
    if (!(sum > 0.0) || !std::isfinite(sum)) {
        return false;
    }
    if (std::fabs(sum - 1.0) > kRowSumTolerance) {
        for (double& x : plan.matrix) {
            x /= sum;
        }
    }
    return true;
}

void SpreadAll(GrowthPlan& plan, const GrowthInput& input) {
    const std::size_t n = input.fractions.size();
    plan.matrix.assign(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        // An empty class that does not move keeps whatever the outlet holds there.
        if (input.fractions[i] == 0.0 && plan.shift[i] == 0.0) {
            plan.matrix[i * n + i] = 1.0;
            continue;
        }
        SpreadClass(input.mesh, i, plan.shift[i], plan.relative[i], input.fractions[i],
                    plan.matrix.data() + i * n, plan.events);
    }
}

GrowthPlan EmptyPlan(std::size_t n) {
    GrowthPlan plan;
    plan.sizeChange.assign(n, 0.0);
    plan.massChange.assign(n, 0.0);
    plan.newMass.assign(n, 0.0);
    plan.newSize.assign(n, 0.0);
    plan.relative.assign(n, 0.0);
    plan.shift.assign(n, 0.0);
    return plan;
}

}  // namespace

bool UsableMesh(const std::vector<double>& mesh, const std::vector<double>& fractions) {
    if (fractions.empty() || mesh.size() != fractions.size() + 1 || !(mesh[0] >= 0.0)) {
        return false;
    }
    for (std::size_t k = 0; k + 1 < mesh.size(); ++k) {
        if (!(mesh[k + 1] > mesh[k]) || !std::isfinite(mesh[k + 1])) {
            return false;
        }
    }
    return std::all_of(fractions.begin(), fractions.end(),
                       [](double q) { return q >= 0.0 && std::isfinite(q); });
}

ClassState DescribeClasses(const GrowthInput& input) {
    ClassState classes;
    const std::size_t n = input.fractions.size();
    classes.mean.resize(n);
    classes.mass.resize(n);
    classes.number.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        classes.mean[i] = 0.5 * (input.mesh[i] + input.mesh[i + 1]);
        classes.mass[i] = input.massIn * input.fractions[i];
        const double particle = input.densityIn * kSixthPi * std::pow(classes.mean[i], 3);
        classes.number[i] = classes.mass[i] > 0.0 ? classes.mass[i] / particle : 0.0;
        classes.totalNumber += classes.number[i];
    }
    return classes;
}

double SizeChange(Law law, double increment, double mean) {
    if (law == Law::kDiameter) {
        return increment;
    }
    // Relative to the particle's own volume, so that no increment means no change exactly.
    const double ratio = 1.0 + increment / (kSixthPi * std::pow(mean, 3));
    return ratio > 0.0 ? mean * (std::cbrt(ratio) - 1.0) : -mean;
}

double DissolvedMass(Law law, double increment, double massIn, double density,
                     const std::vector<double>& numbers, const std::vector<double>& means,
                     const std::vector<double>& masses, std::vector<double>& changes) {
    const std::size_t n = numbers.size();
    changes.resize(n);
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!(numbers[i] > 0.0)) {
            changes[i] = 0.0;
            continue;
        }
        const double size = means[i] + SizeChange(law, increment, means[i]);
        if (!(size > 0.0)) {
            changes[i] = -masses[i];
        } else if (law == Law::kDiameter) {
            changes[i] =
                numbers[i] * density * kSixthPi * (std::pow(size, 3) - std::pow(means[i], 3));
        } else {
            changes[i] = numbers[i] * density * increment;
        }
        total += changes[i];
    }
    // Rounding must not let more dissolve than came in.
    return std::max(total, -massIn);
}

ControlBlock GrowthControlBlock(Law law, const ClassState& classes, double massIn, double massOut,
                                double densityIn) {
    const double change = massOut - massIn;
    ControlBlock block{};
    for (std::size_t w = kBlockFirstWork; w < kControlWords; ++w) {
        block[w] = 1.0;
    }
    block[kBlockTarget] = change;
    // When solids dissolve, 1e-4 of the change could exceed what is left: the tolerance is
    // then taken on the remaining mass, so that the search cannot settle on nothing left.
    block[kBlockTolerance] =
        kRelativeTolerance * (change >= 0.0 ? change : -std::min(-change, massOut));
    if (law == Law::kVolume) {
        const double largest = LargestOccupiedMean(classes);
        block[kBlockScale] = change >= 0.0 ? change / (densityIn * classes.totalNumber)
                                           : -kSixthPi * std::pow(largest, 3);
        block[kBlockStep] = classes.mean.empty() ? 0.0 : kSixthPi * std::pow(classes.mean[0], 3);
    } else {
        const double scale = std::cbrt(std::fabs(change) / (densityIn * kSixthPi));
        block[kBlockScale] = scale;
        block[kBlockStep] = kScaleToStep * scale;
    }
    return block;
}

static_assert(kControlWords == root_state::kWords, "the growth block maps word for word");

ControlBlock HostRootState(const ControlBlock& growth, double lower, double upper) {
    ControlBlock state{};
    state[root_state::kLower] = lower;
    state[root_state::kUpper] = upper;
    state[root_state::kStep] = growth[kBlockStep];
    state[root_state::kTolerance] = std::fabs(growth[kBlockTolerance]);
    state[root_state::kFirstZero] = growth[kBlockZero];
    state[root_state::kFirstZero + 1] = growth[kBlockReserved];
    for (std::size_t w = root_state::kFirstWork; w < kControlWords; ++w) {
        state[w] = growth[w];
    }
    return state;
}

SearchInterval IncrementInterval(Law law, const ClassState& classes, const ControlBlock& growth,
                                 double densityIn) {
    const double change = growth[kBlockTarget];
    const double perParticle = change / (densityIn * classes.totalNumber);  // kg/s -> m3
    SearchInterval interval;
    if (law == Law::kVolume) {
        if (change >= 0.0) {
            // Every class keeps a positive size: the total is N rho dV, linear in dV.
            interval = {0.0, 2.0 * growth[kBlockScale], growth[kBlockScale]};
        } else {
            interval = {growth[kBlockScale], 0.0,
                        std::clamp(perParticle, growth[kBlockScale], 0.0)};
        }
    } else if (change >= 0.0) {
        // (d + x)^3 - d^3 >= x^3 for every class, so this increment gains at least dM.
        interval = {0.0, std::cbrt(perParticle / kSixthPi), 0.0};
    } else {
        interval = {-LargestOccupiedMean(classes), 0.0, 0.0};
    }
    return interval;
}

IncrementSearch SearchIncrement(Law law, const ClassState& classes, const GrowthInput& input,
                                int64_t maxIterations) {
    IncrementSearch search;
    if (!(classes.totalNumber > 0.0) || !(input.densityIn > 0.0)) {
        return search;
    }
    const ControlBlock growth =
        GrowthControlBlock(law, classes, input.massIn, input.massOut, input.densityIn);
    const SearchInterval interval = IncrementInterval(law, classes, growth, input.densityIn);
    ControlBlock state = HostRootState(growth, interval.lower, interval.upper);
    std::vector<double> changes(classes.mean.size());
    const auto residual = [&](double x) {
        ++search.evaluations;
        return DissolvedMass(law, x, input.massIn, input.densityIn, classes.number, classes.mean,
                             classes.mass, changes) -
               growth[kBlockTarget];
    };
    double x = interval.start;
    double fx = residual(x);
    int64_t status = root_state::kEvaluate;
    int64_t control = 0;
    for (int64_t calls = 0; calls <= maxIterations + 1; ++calls) {
        HostRoot1D(&status, &x, &fx, state.data(), &maxIterations, &control);
        if (status <= 0) {
            break;
        }
        fx = residual(x);
    }
    search.finderStatus = status;
    search.found = status == 0 && std::isfinite(x);
    search.increment = x;
    search.massChange = residual(x) + growth[kBlockTarget];
    return search;
}

void SpreadClass(const std::vector<double>& mesh, std::size_t i, double shift, double relative,
                 double fraction, double* row, SpreadEvents& events) {
    const std::size_t n = mesh.size() - 1;
    std::fill(row, row + n, 0.0);
    const double width = mesh[i + 1] - mesh[i];
    const double a = mesh[i] + shift;
    const double b = mesh[i + 1] + shift;
    const double bottom = mesh[0];
    const double top = mesh[n];
    const bool counts = fraction > kEventFraction;
    if (b < bottom) {
        row[0] = relative;
        events.belowBottom = events.belowBottom || counts;
        return;
    }
    if (a > top) {
        row[n - 1] = relative;
        events.aboveTop = events.aboveTop || counts;
        return;
    }
    for (std::size_t j = 0; j < n; ++j) {
        const double low = mesh[j];
        const double high = mesh[j + 1];
        if (low > b) {
            break;
        }
        if (a >= low && b <= high) {
            row[j] = relative;
        } else if (a <= high && b >= low) {
            if (j + 1 == n && b > top) {
                row[j] = a < low ? relative * (b - low) / width : relative;
                events.overhangsTop = events.overhangsTop || counts;
            } else if (j == 0 && a < bottom) {
                row[j] = b <= high ? relative : relative * (high - a) / width;
            } else {
                row[j] = relative * (std::min(b, high) - std::max(a, low)) / width;
            }
        }
    }
}

GrowthPlan IncrementGrowth(int method, const GrowthInput& input, int64_t maxIterations) {
    const Law law = LawOf(method);
    const ClassState classes = DescribeClasses(input);
    const std::size_t n = input.fractions.size();
    GrowthPlan plan = EmptyPlan(n);
    const double change = input.massOut - input.massIn;
    if (std::fabs(change) > input.negligible) {
        plan.search = SearchIncrement(law, classes, input, maxIterations);
        if (!plan.search.found) {
            return plan;
        }
        plan.increment = plan.search.increment;
    }
    DissolvedMass(law, plan.increment, input.massIn, input.densityIn, classes.number, classes.mean,
                  classes.mass, plan.massChange);
    const bool densityChanges = std::fabs(input.densityIn - input.densityOut) > kDensityTolerance;
    const double densityRatio = std::cbrt(input.densityIn / input.densityOut);
    const bool weighted = WeightsByNewMass(method) || plan.increment < 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = classes.mean[i];
        plan.sizeChange[i] = SizeChange(law, plan.increment, d);
        const double grown = d + plan.sizeChange[i];
        if (classes.mass[i] > 0.0) {
            plan.newMass[i] = grown > 0.0 ? classes.mass[i] + plan.massChange[i] : 0.0;
            plan.relative[i] = weighted ? plan.newMass[i] / classes.mass[i] : 1.0;
        }
        plan.newSize[i] = grown > 0.0 ? (densityChanges ? grown * densityRatio : grown) : 0.0;
        plan.shift[i] = plan.sizeChange[i] + (densityChanges ? (densityRatio - 1.0) * grown : 0.0);
    }
    SpreadAll(plan, input);
    plan.ok = RescaleRows(plan, input.fractions);
    return plan;
}

GrowthPlan EquivalentGrowth(int method, const GrowthInput& input) {
    const ClassState classes = DescribeClasses(input);
    const std::size_t n = input.fractions.size();
    GrowthPlan plan = EmptyPlan(n);
    std::vector<double> weight(n);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        weight[i] = method == kMethodMassShare ? input.fractions[i]
                    : method == kMethodSurfaceShare
                        ? classes.number[i] * std::numbers::pi * classes.mean[i] * classes.mean[i]
                        : classes.number[i];
        sum += weight[i];
    }
    if (!(sum > 0.0) || !(input.massOut > 0.0)) {
        return plan;
    }
    const double change = input.massOut - input.massIn;
    // Mass a dissolved (or too light) class could not take passes on to the next class.
    double carried = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double m = classes.mass[i];
        const double share = change * weight[i] / sum;
        if (m < kSmallestClassMass) {
            carried += share;
            plan.newMass[i] = m;
            plan.newSize[i] = classes.mean[i];
            continue;
        }
        const double grown = m + share + carried;
        carried = 0.0;
        plan.massChange[i] = grown - m;
        if (grown < kSmallestClassMass) {
            carried = grown;
            plan.massChange[i] = -m;
            continue;
        }
        plan.newMass[i] = grown;
        const double d = classes.mean[i];
        plan.newSize[i] = d * std::cbrt(grown / m * (input.densityIn / input.densityOut));
        const double shift = plan.newSize[i] - d;
        plan.sizeChange[i] = shift;
        plan.shift[i] = std::fabs(shift) < input.negligible ? 0.0 : shift;
    }
    // Outlet fraction over inlet fraction: the class's new mass share of the outlet.
    for (std::size_t i = 0; i < n; ++i) {
        if (classes.mass[i] > 0.0) {
            plan.relative[i] = plan.newMass[i] * input.massIn / (classes.mass[i] * input.massOut);
        }
    }
    SpreadAll(plan, input);
    plan.ok = RescaleRows(plan, input.fractions);
    return plan;
}

}  // namespace brixel::growth
