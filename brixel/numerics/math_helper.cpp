#include "brixel/numerics/math_helper.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <span>
#include <vector>

#include "brixel/framework/host_interface.h"

namespace brixel {

namespace {

bool AllFinite(const double* values, std::size_t count) {
    return std::all_of(values, values + count, [](double v) { return std::isfinite(v); });
}

// A square system copied row-major for elimination. For each row, the columns before `first`
// and after `last` hold zeros: the loops skip them, which changes no value and keeps banded
// systems (the spline's tridiagonal one) from costing a dense elimination.
struct DenseSystem {
    uint32_t order = 0;
    std::vector<double> a;
    std::vector<uint32_t> first;
    std::vector<uint32_t> last;

    double& operator()(uint32_t i, uint32_t j) { return a[std::size_t{i} * order + j]; }
};

// Copies a square, finite matrix; false otherwise.
bool CopySquare(const CMatrix& matrix, DenseSystem& system) {
    const uint32_t order = matrix.GetNumberOfRows();
    if (order != matrix.GetNumberOfCols()) {
        return false;
    }
    system.order = order;
    system.a.resize(std::size_t{order} * order);
    system.first.assign(order, order);
    system.last.assign(order, 0);
    for (uint32_t i = 0; i < order; ++i) {
        const double* row = matrix[i].Data();
        if (!AllFinite(row, order)) {
            return false;
        }
        std::copy_n(row, order, system.a.begin() + std::ptrdiff_t{i} * order);
        auto nonZero = [](double v) { return v != 0.0; };
        const double* firstNonZero = std::find_if(row, row + order, nonZero);
        if (firstNonZero != row + order) {
            system.first[i] = static_cast<uint32_t>(firstNonZero - row);
            const auto lastNonZero = std::find_if(std::make_reverse_iterator(row + order),
                                                  std::make_reverse_iterator(row), nonZero);
            system.last[i] = static_cast<uint32_t>(&*lastNonZero - row);
        }
    }
    return true;
}

// Forward elimination of A against `columns` right-hand sides stored row-major in `rhs`.
// A row is exchanged only when its pivot is exactly 0, with the first following row that has
// a non-zero entry there. False when no such row exists (A singular).
bool EliminateForward(DenseSystem& system, std::vector<double>& rhs, uint32_t columns) {
    const uint32_t n = system.order;
    auto rhsRow = [&](uint32_t i) { return rhs.begin() + std::ptrdiff_t{i} * columns; };
    // Row i > k can hold a non-zero in column k only when first[i] <= k.
    auto mayHold = [&](uint32_t i, uint32_t k) {
        return system.first[i] <= k && system(i, k) != 0.0;
    };
    for (uint32_t k = 0; k < n; ++k) {
        if (system(k, k) == 0.0) {
            uint32_t r = k + 1;
            while (r < n && !mayHold(r, k)) {
                ++r;
            }
            if (r == n) {
                return false;
            }
            // Columns before k are already 0 in both rows.
            std::swap_ranges(&system(k, k), &system(k, 0) + n, &system(r, k));
            std::swap_ranges(rhsRow(k), rhsRow(k) + columns, rhsRow(r));
            std::swap(system.first[k], system.first[r]);
            std::swap(system.last[k], system.last[r]);
        }
        const double pivot = system(k, k);
        for (uint32_t i = k + 1; i < n; ++i) {
            if (!mayHold(i, k)) {
                system.first[i] = std::max(system.first[i], k + 1);
                continue;
            }
            const double factor = system(i, k) / pivot;
            system(i, k) = 0.0;
            double* target = &system(i, 0);
            const double* source = &system(k, 0);
            const uint32_t end = system.last[k] + 1;  // "<" lets the loop vectorize
            for (uint32_t j = k + 1; j < end; ++j) {
                target[j] -= factor * source[j];
            }
            double* rhsTarget = &*rhsRow(i);
            const double* rhsSource = &*rhsRow(k);
            for (uint32_t c = 0; c < columns; ++c) {
                rhsTarget[c] -= factor * rhsSource[c];
            }
            system.first[i] = k + 1;
            system.last[i] = std::max(system.last[i], system.last[k]);
        }
    }
    return true;
}

// Back substitution of the upper triangle in place into `rhs`; false when the solution is not
// finite (overflow on a nearly singular system).
bool SubstituteBack(DenseSystem& system, std::vector<double>& rhs, uint32_t columns) {
    const uint32_t n = system.order;
    for (uint32_t i = n; i-- > 0;) {
        double* row = rhs.data() + std::size_t{i} * columns;
        const uint32_t end = system.last[i] + 1;
        for (uint32_t j = i + 1; j < end; ++j) {
            const double coefficient = system(i, j);
            if (coefficient == 0.0) {
                continue;
            }
            const double* solved = rhs.data() + std::size_t{j} * columns;
            for (uint32_t c = 0; c < columns; ++c) {
                row[c] -= coefficient * solved[c];
            }
        }
        for (uint32_t c = 0; c < columns; ++c) {
            row[c] /= system(i, i);
        }
    }
    return AllFinite(rhs.data(), rhs.size());
}

// std::lower_bound(x, x + count, v) - x for increasing x, searched outwards from `hint`, the
// answer for an earlier abscissa: increasing abscissas cost O(log distance) each.
std::size_t LowerBoundFrom(const double* x, std::size_t count, double v, std::size_t hint) {
    hint = std::min(hint, count);
    if (hint > 0 && !(x[hint - 1] < v)) {
        return static_cast<std::size_t>(std::lower_bound(x, x + hint, v) - x);
    }
    // Every x before `low` is below v; x[high] is not, or high is past the end.
    std::size_t low = hint;
    std::size_t high = hint;
    for (std::size_t step = 1; high < count && x[high] < v; step *= 2) {
        low = high + 1;
        high = hint + step;
    }
    high = std::min(high, count);
    return static_cast<std::size_t>(std::lower_bound(x + low, x + high, v) - x);
}

bool ValidSplineInput(int n, const double* x, const double* y, int m, const double* at,
                      const double* values) {
    if (n < 2 || m < 0 || x == nullptr || y == nullptr ||
        (m > 0 && (at == nullptr || values == nullptr))) {
        return false;
    }
    const auto points = static_cast<std::size_t>(n);
    if (!AllFinite(x, points) || !AllFinite(y, points) ||
        !AllFinite(at, static_cast<std::size_t>(m))) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < points; ++i) {
        if (!(x[i + 1] > x[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool SolveTridiagonal(std::span<const double> sub, std::span<double> diagonal,
                      std::span<const double> super, std::span<double> rhs) {
    const std::size_t n = diagonal.size();
    if (sub.size() != n || super.size() != n || rhs.size() != n || !AllFinite(sub.data(), n) ||
        !AllFinite(diagonal.data(), n) || !AllFinite(super.data(), n) ||
        !AllFinite(rhs.data(), n)) {
        return false;
    }
    // The operations of EliminateForward and SubstituteBack on the three bands, in their order.
    for (std::size_t i = 1; i < n; ++i) {
        if (diagonal[i - 1] == 0.0) {
            return false;  // would need a row exchange
        }
        if (sub[i] == 0.0) {
            continue;
        }
        const double factor = sub[i] / diagonal[i - 1];
        diagonal[i] -= factor * super[i - 1];
        rhs[i] -= factor * rhs[i - 1];
    }
    if (n > 0 && diagonal[n - 1] == 0.0) {
        return false;
    }
    for (std::size_t i = n; i-- > 0;) {
        if (i + 1 < n && super[i] != 0.0) {
            rhs[i] -= super[i] * rhs[i + 1];
        }
        rhs[i] /= diagonal[i];
    }
    return AllFinite(rhs.data(), n);
}

}  // namespace brixel

CMathHelper::~CMathHelper() = default;

bool CMathHelper::Gauss(const CMatrix& A, CVector& x, const CVector& b) {
    brixel::DenseSystem system;
    if (!brixel::CopySquare(A, system) || b.Size() != system.order ||
        !brixel::AllFinite(b.Data(), b.Size())) {
        return false;
    }
    std::vector<double> solution(b.Data(), b.Data() + b.Size());
    if (!brixel::EliminateForward(system, solution, 1) ||
        !brixel::SubstituteBack(system, solution, 1)) {
        return false;
    }
    x.Resize(b.Size());
    std::copy(solution.begin(), solution.end(), x.Data());
    return true;
}

bool CMathHelper::Invert(const CMatrix& A, CMatrix& inverse) {
    brixel::DenseSystem system;
    if (!brixel::CopySquare(A, system)) {
        return false;
    }
    const uint32_t n = system.order;
    std::vector<double> columns(std::size_t{n} * n, 0.0);  // the identity, row-major
    for (uint32_t i = 0; i < n; ++i) {
        columns[std::size_t{i} * n + i] = 1.0;
    }
    if (!brixel::EliminateForward(system, columns, n) ||
        !brixel::SubstituteBack(system, columns, n)) {
        return false;
    }
    inverse.RenewMatrix(n, n);
    for (uint32_t i = 0; i < n; ++i) {
        std::copy_n(columns.begin() + std::ptrdiff_t{i} * n, n, inverse[i].Data());
    }
    return true;
}

void CMathHelper::TransVector(const CVector& vector, CMatrix& matrix) {
    matrix.RenewMatrix(vector.Size(), 1);
    for (uint32_t i = 0; i < vector.Size(); ++i) {
        matrix[i][0] = vector.At(i);
    }
}

bool CMathHelper::CalculateSplineValues(int n, const double* x, const double* y, int m,
                                        const double* at, double* values, int64_t selector,
                                        bool extrapolateLinearly) {
    if (selector == 0) {
        return SplineSmoothing(n, x, y, m, at, values, extrapolateLinearly);
    }
    if (!brixel::ValidSplineInput(n, x, y, m, at, values)) {
        return false;
    }
    const int64_t points = n;
    std::vector<double> work(4 * static_cast<std::size_t>(n) - 4);
    int64_t status = -1;
    HostSpline(&points, x, y, work.data(), &status);
    if (status != 0) {
        return false;
    }
    const int64_t count = m;
    std::vector<double> results(static_cast<std::size_t>(m));
    if (m > 0) {
        status = -1;
        HostSplineEval(&points, x, work.data(), &count, at, results.data(), nullptr, &status);
        if (status != 0) {
            return false;
        }
    }
    if (extrapolateLinearly) {
        const double ends[2] = {x[0], x[n - 1]};
        const int64_t two = 2;
        double endValues[2] = {0.0, 0.0};
        double endSlopes[2] = {0.0, 0.0};
        status = -1;
        HostSplineEval(&points, x, work.data(), &two, ends, endValues, endSlopes, &status);
        if (status != 0) {
            return false;
        }
        for (std::size_t k = 0; k < results.size(); ++k) {
            if (at[k] < x[0]) {
                results[k] = y[0] + (at[k] - x[0]) * endSlopes[0];
            } else if (at[k] > x[n - 1]) {
                results[k] = y[n - 1] + (at[k] - x[n - 1]) * endSlopes[1];
            }
        }
    }
    std::copy(results.begin(), results.end(), values);
    return true;
}

bool CMathHelper::SplineSmoothing(int n, const double* x, const double* y, int m, const double* at,
                                  double* values, bool extrapolateLinearly) {
    if (!brixel::ValidSplineInput(n, x, y, m, at, values)) {
        return false;
    }
    const auto points = static_cast<uint32_t>(n);
    const uint32_t intervals = points - 1;
    const uint32_t interior = points - 2;
    // One block for the widths h, the second derivatives M and the system's diagonal: a single
    // allocation that the allocator keeps for the next call.
    std::vector<double> work(std::size_t{intervals} + points + interior);
    const std::span<double> h(work.data(), intervals);
    const std::span<double> M(h.data() + intervals, points);
    const std::span<double> diagonal(M.data() + points, interior);
    for (uint32_t i = 0; i < intervals; ++i) {
        h[i] = x[i + 1] - x[i];
    }
    // M is 0 at both ends. The system for the interior values is tridiagonal, its off-diagonal
    // bands the interval widths; solved in place into M.
    if (interior > 0) {
        for (uint32_t k = 0; k < interior; ++k) {
            const uint32_t i = k + 1;
            diagonal[k] = 2.0 * (h[i - 1] + h[i]);
            M[i] = 6.0 * ((y[i + 1] - y[i]) / h[i] - (y[i] - y[i - 1]) / h[i - 1]);
        }
        if (!brixel::SolveTridiagonal(h.first(interior), diagonal, h.subspan(1),
                                      M.subspan(1, interior))) {
            return false;
        }
    }
    // y = a t^3 + b t^2 + c t + Y[i] on interval i, t = x - X[i].
    struct Cubic {
        double a, b, c;
    };
    const auto cubic = [&](uint32_t i) {
        return Cubic{(M[i + 1] - M[i]) / (6.0 * h[i]), M[i] / 2.0,
                     (y[i + 1] - y[i]) / h[i] - (2.0 * M[i] + M[i + 1]) * h[i] / 6.0};
    };
    const uint32_t last = intervals - 1;
    const Cubic first = cubic(0);
    const Cubic end = cubic(last);
    const double slopeLast = (3.0 * end.a * h[last] + 2.0 * end.b) * h[last] + end.c;
    std::size_t upper = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(m); ++k) {
        const double v = at[k];
        if (extrapolateLinearly && v < x[0]) {
            values[k] = y[0] + (v - x[0]) * first.c;
            continue;
        }
        if (extrapolateLinearly && v > x[last + 1]) {
            values[k] = y[last + 1] + (v - x[last + 1]) * slopeLast;
            continue;
        }
        // The first interval [X[i], X[i+1]] that holds v; the end intervals continue outside.
        upper = brixel::LowerBoundFrom(x, points, v, upper);
        const auto i =
            static_cast<uint32_t>(std::min<std::size_t>(upper == 0 ? 0 : upper - 1, last));
        const double t = v - x[i];
        const Cubic piece = cubic(i);
        values[k] = ((piece.a * t + piece.b) * t + piece.c) * t + y[i];
    }
    return true;
}
