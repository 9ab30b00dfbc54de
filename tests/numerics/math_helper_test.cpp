#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "brixel/numerics/math_helper.h"
#include "numerics/dense_builders.h"

namespace {

using brixel::testing::Elements;
using brixel::testing::FromRows;
using brixel::testing::FromValues;
using brixel::testing::Identity;

void ExpectSolves(const CMatrix& a, const std::vector<double>& expected, const CVector& b) {
    CVector x;
    ASSERT_TRUE(CMathHelper::Gauss(a, x, b));
    ASSERT_EQ(x.Size(), expected.size());
    for (uint32_t i = 0; i < x.Size(); ++i) {
        EXPECT_NEAR(x.At(i), expected[i], 1e-12) << i;
    }
}

TEST(Gauss, ZeroPivotsAreExchangedWithAFollowingRow) {
    ExpectSolves(FromRows({{0, 1}, {1, 0}}), {3, 2}, FromValues({2, 3}));
    // Rows 0 and 1 both start with 0: the exchange reaches row 2. x = (1, 2, 3).
    ExpectSolves(FromRows({{0, 1, 1}, {0, 2, 3}, {4, 0, 1}}), {1, 2, 3}, FromValues({5, 13, 7}));
    // The second pivot becomes 0 during elimination (row 1 - row 0 = (0, 0, 1)).
    ExpectSolves(FromRows({{1, 1, 1}, {1, 1, 2}, {2, 3, 1}}), {1, 2, 3}, FromValues({6, 9, 11}));
}

TEST(Gauss, UnfittingNonFiniteOrSingularSystemsFailAndLeaveTheSolution) {
    const CVector untouched = FromValues({42.0});
    CVector x = untouched;
    EXPECT_FALSE(CMathHelper::Gauss(CMatrix(2, 3), x, CVector(2)));
    EXPECT_FALSE(CMathHelper::Gauss(CMatrix(2, 3), x, CVector(3)));
    EXPECT_FALSE(CMathHelper::Gauss(Identity(2), x, CVector(3)));
    EXPECT_FALSE(CMathHelper::Gauss(FromRows({{1, 2}, {2, 4}}), x, FromValues({1, 2})));
    EXPECT_FALSE(CMathHelper::Gauss(FromRows({{1, 0}, {0, NAN}}), x, FromValues({1, 2})));
    EXPECT_FALSE(CMathHelper::Gauss(Identity(2), x, FromValues({1, INFINITY})));
    EXPECT_EQ(Elements(x), Elements(untouched));
}

TEST(Invert, InverseTimesMatrixIsTheIdentity) {
    CMatrix inverse;
    ASSERT_TRUE(CMathHelper::Invert(FromRows({{0, 2}, {1, 0}}), inverse));
    EXPECT_TRUE(inverse.IsEqual(FromRows({{0, 1}, {0.5, 0}}), 0.0, 0.0));

    // Zero first pivot, non-symmetric, 5x5.
    CMatrix a(5, 5);
    for (uint32_t i = 0; i < 5; ++i) {
        for (uint32_t j = 0; j < 5; ++j) {
            a[i][j] = 1.0 / (1.0 + i + 2.0 * j) + (i == j ? 1.0 : 0.0);
        }
    }
    a[0][0] = 0.0;
    ASSERT_TRUE(CMathHelper::Invert(a, inverse));
    EXPECT_TRUE((a * inverse).IsEqual(Identity(5), 1e-12, 0.0));
    EXPECT_TRUE((inverse * a).IsEqual(Identity(5), 1e-12, 0.0));
    EXPECT_TRUE(a.Inv().IsEqual(inverse, 0.0, 0.0));
}

TEST(Invert, NonSquareOrSingularMatricesFail) {
    CMatrix inverse = Identity(2);
    EXPECT_FALSE(CMathHelper::Invert(CMatrix(2, 3), inverse));
    EXPECT_FALSE(CMathHelper::Invert(FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), inverse));
    EXPECT_TRUE(inverse.IsEqual(Identity(2), 0.0, 0.0));
    EXPECT_EQ(CMatrix(2, 3).Inv().GetNumberOfRows(), 0u);
    EXPECT_EQ(FromRows({{1, 2}, {2, 4}}).Inv().GetNumberOfRows(), 0u);
}

TEST(TransVector, GivesAOneColumnMatrix) {
    CMatrix m(4, 4);
    CMathHelper::TransVector(FromValues({1, 2, 3}), m);
    EXPECT_TRUE(m.IsEqual(FromRows({{1}, {2}, {3}}), 0.0, 0.0));
}

// Bands of a tridiagonal system of order n: the natural spline's system on uneven points, or
// one with bands of both signs that no diagonal dominates.
struct Bands {
    std::vector<double> sub, diagonal, super, rhs;
};

Bands SplineSystem(std::size_t n) {
    Bands b;
    std::vector<double> x, y;
    for (std::size_t i = 0; i < n + 2; ++i) {
        x.push_back(static_cast<double>(i) + 0.45 * std::sin(3.0 * static_cast<double>(i)));
        y.push_back(std::cos(0.3 * x.back()) * std::exp(-0.02 * x.back()));
    }
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = k + 1;
        const double left = x[i] - x[i - 1], right = x[i + 1] - x[i];
        b.sub.push_back(k > 0 ? left : 0.0);
        b.diagonal.push_back(2.0 * (left + right));
        b.super.push_back(k + 1 < n ? right : 0.0);
        b.rhs.push_back(6.0 * ((y[i + 1] - y[i]) / right - (y[i] - y[i - 1]) / left));
    }
    return b;
}

Bands MixedSystem(std::size_t n) {
    Bands b;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        b.sub.push_back(i > 0 ? 1.5 * std::sin(1.7 * t + 0.4) : 0.0);
        b.diagonal.push_back(0.8 + std::cos(2.3 * t));
        b.super.push_back(i + 1 < n ? -1.1 * std::cos(0.9 * t) : 0.0);
        b.rhs.push_back(std::sin(t) - 0.5);
    }
    return b;
}

// The dense solution of Gauss, or an empty vector when it fails.
std::vector<double> DenseSolution(const Bands& b) {
    const auto n = static_cast<uint32_t>(b.diagonal.size());
    CMatrix a(n, n);
    CVector rhs(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (i > 0) {
            a[i][i - 1] = b.sub[i];
        }
        a[i][i] = b.diagonal[i];
        if (i + 1 < n) {
            a[i][i + 1] = b.super[i];
        }
        rhs[i] = b.rhs[i];
    }
    CVector x;
    return CMathHelper::Gauss(a, x, rhs) ? Elements(x) : std::vector<double>{};
}

TEST(SolveTridiagonal, GivesTheDenseSolutionOfGaussBitForBit) {
    int splineSolved = 0, mixedSolved = 0;
    for (std::size_t n = 1; n <= 100; ++n) {
        for (const bool spline : {true, false}) {
            Bands b = spline ? SplineSystem(n) : MixedSystem(n);
            const std::vector<double> dense = DenseSolution(b);
            std::vector<double> solution = b.rhs;
            if (!brixel::SolveTridiagonal(b.sub, b.diagonal, b.super, solution)) {
                continue;  // a zero pivot, which the mixed systems may meet
            }
            ++(spline ? splineSolved : mixedSolved);
            ASSERT_EQ(dense.size(), n);
            for (std::size_t i = 0; i < n; ++i) {
                EXPECT_EQ(solution[i], dense[i]) << n << " " << i;
            }
        }
    }
    EXPECT_EQ(splineSolved, 100);
    EXPECT_GE(mixedSolved, 90);
}

TEST(SolveTridiagonal, RefusesWhatOnlyARowExchangeOrAFiniteInputCouldSolve) {
    // First pivot 0: Gauss exchanges the rows, the band solve does not.
    Bands b{{0.0, 1.0}, {0.0, 2.0}, {1.0, 0.0}, {3.0, 4.0}};
    EXPECT_EQ(DenseSolution(b), (std::vector<double>{-2.0, 3.0}));  // x1 = 3, x0 + 2 x1 = 4
    std::vector<double> solution = b.rhs;
    EXPECT_FALSE(brixel::SolveTridiagonal(b.sub, b.diagonal, b.super, solution));
    Bands spline = SplineSystem(5);
    solution = spline.rhs;
    solution[2] = std::nan("");
    EXPECT_FALSE(brixel::SolveTridiagonal(spline.sub, spline.diagonal, spline.super, solution));
    solution = spline.rhs;
    EXPECT_FALSE(brixel::SolveTridiagonal(spline.sub, spline.diagonal, spline.super,
                                          std::span<double>(solution).first(4)));
}

TEST(SplineSmoothing, ManyPointsInLinearMemory) {
    // 50 000 points: a dense system would need 20 GB; the natural spline through points of
    // a straight line is that line.
    const int n = 50000;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i + 0.3 * std::sin(i);
        y[i] = 2.0 - 0.25 * x[i];
    }
    const std::vector<double> at{-3.0, 0.5, 12345.6, x[n - 1] + 2.0};
    std::vector<double> values(at.size());
    ASSERT_TRUE(CMathHelper::SplineSmoothing(n, x.data(), y.data(), static_cast<int>(at.size()),
                                             at.data(), values.data(), true));
    for (std::size_t k = 0; k < at.size(); ++k) {
        EXPECT_NEAR(values[k], 2.0 - 0.25 * at[k], 1e-9) << at[k];
    }
}

TEST(SplineSmoothing, AbscissasInAnyOrderGiveTheValuesTheyHaveAlone) {
    std::vector<double> x, y;
    for (int i = 0; i < 300; ++i) {
        x.push_back(i + 0.4 * std::sin(1.3 * i));
        y.push_back(std::cos(0.1 * x.back()));
    }
    // Increasing, then jumping back and forth, onto points, and outside both ends.
    std::vector<double> at;
    for (int k = 0; k < 400; ++k) {
        at.push_back(k < 200 ? -5.0 + 1.6 * k : std::fmod(137.0 * k, 310.0) - 5.0);
    }
    at.insert(at.end(), {x[0], x[299], x[150], x[1], 0.5 * (x[298] + x[299])});
    for (const bool extrapolate : {false, true}) {
        std::vector<double> together(at.size());
        ASSERT_TRUE(CMathHelper::SplineSmoothing(300, x.data(), y.data(),
                                                 static_cast<int>(at.size()), at.data(),
                                                 together.data(), extrapolate));
        for (std::size_t k = 0; k < at.size(); ++k) {
            double alone = 0.0;
            ASSERT_TRUE(CMathHelper::SplineSmoothing(300, x.data(), y.data(), 1, &at[k], &alone,
                                                     extrapolate));
            EXPECT_EQ(together[k], alone) << at[k];
        }
    }
}

// Textbook natural spline, written independently of the library: tridiagonal system for the
// second derivatives by the Thomas algorithm, evaluation in the symmetric form.
class TextbookSpline {
  public:
    TextbookSpline(std::vector<double> x, std::vector<double> y)
        : m_x(std::move(x)), m_y(std::move(y)), m_M(m_x.size(), 0.0) {
        const std::size_t n = m_x.size();
        std::vector<double> diag(n), upper(n), rhs(n);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const double hl = m_x[i] - m_x[i - 1];
            const double hr = m_x[i + 1] - m_x[i];
            diag[i] = 2.0 * (hl + hr);
            upper[i] = hr;
            rhs[i] = 6.0 * ((m_y[i + 1] - m_y[i]) / hr - (m_y[i] - m_y[i - 1]) / hl);
            if (i > 1) {
                const double factor = hl / diag[i - 1];
                diag[i] -= factor * upper[i - 1];
                rhs[i] -= factor * rhs[i - 1];
            }
        }
        for (std::size_t i = n - 2; i >= 1; --i) {
            m_M[i] = (rhs[i] - (i + 2 < n ? upper[i] * m_M[i + 1] : 0.0)) / diag[i];
        }
    }

    double Value(double v) const {
        const std::size_t i = Interval(v);
        const double h = m_x[i + 1] - m_x[i], l = m_x[i + 1] - v, r = v - m_x[i];
        return m_M[i] * l * l * l / (6 * h) + m_M[i + 1] * r * r * r / (6 * h) +
               (m_y[i] / h - m_M[i] * h / 6) * l + (m_y[i + 1] / h - m_M[i + 1] * h / 6) * r;
    }
    double Slope(double v) const {
        const std::size_t i = Interval(v);
        const double h = m_x[i + 1] - m_x[i], l = m_x[i + 1] - v, r = v - m_x[i];
        return -m_M[i] * l * l / (2 * h) + m_M[i + 1] * r * r / (2 * h) -
               (m_y[i] / h - m_M[i] * h / 6) + (m_y[i + 1] / h - m_M[i + 1] * h / 6);
    }

  private:
    std::size_t Interval(double v) const {
        std::size_t i = 0;
        while (i + 2 < m_x.size() && v > m_x[i + 1]) {
            ++i;
        }
        return i;
    }
    std::vector<double> m_x, m_y, m_M;
};

// Selector 0: the library's spline; 1: the host's.
class SplineValues : public ::testing::TestWithParam<int64_t> {
  protected:
    std::vector<double> Evaluate(const std::vector<double>& x, const std::vector<double>& y,
                                 const std::vector<double>& at, bool extrapolate) {
        std::vector<double> values(at.size(), -999.0);
        EXPECT_TRUE(CMathHelper::CalculateSplineValues(
            static_cast<int>(x.size()), x.data(), y.data(), static_cast<int>(at.size()), at.data(),
            values.data(), GetParam(), extrapolate));
        return values;
    }
};

TEST_P(SplineValues, HandWorkedNaturalSpline) {
    // (0,0) (1,1) (2,0) (3,1), h = 1: 4 M1 + M2 = -12, M1 + 4 M2 = 12 give M1 = -4, M2 = 4.
    // End slopes 5/3; the first cubic is -2/3 t^3 + 5/3 t, the curve is point-symmetric
    // about (1.5, 0.5).
    const std::vector<double> x{0, 1, 2, 3}, y{0, 1, 0, 1};
    const std::vector<double> at{0.5, 1.0, 1.5, 2.5, 3.0, -1.0, 4.0};
    const std::vector<double> continued = Evaluate(x, y, at, false);
    const std::vector<double> expected{0.75, 1.0, 0.5, 0.25, 1.0, -1.0, 2.0};
    for (std::size_t k = 0; k < at.size(); ++k) {
        EXPECT_NEAR(continued[k], expected[k], 1e-14) << at[k];
    }
    const std::vector<double> linear = Evaluate(x, y, {-1.0, 4.0, 2.5}, true);
    EXPECT_NEAR(linear[0], -5.0 / 3.0, 1e-14);
    EXPECT_NEAR(linear[1], 1.0 + 5.0 / 3.0, 1e-14);
    EXPECT_NEAR(linear[2], 0.25, 1e-14);  // inside: the flag changes nothing
}

TEST_P(SplineValues, MatchesTheTextbookSplineOnUnevenPoints) {
    const std::vector<double> x{1e-6, 3e-6, 4e-6, 8e-6, 9.5e-6};
    const std::vector<double> y{0.02, 0.3, 0.35, 0.8, 0.97};
    const TextbookSpline reference(x, y);
    std::vector<double> at;
    for (double v = 0.0; v <= 1.2e-5; v += 2.5e-7) {
        at.push_back(v);
    }
    at.insert(at.end(), x.begin(), x.end());
    const std::vector<double> continued = Evaluate(x, y, at, false);
    const std::vector<double> linear = Evaluate(x, y, at, true);
    for (std::size_t k = 0; k < at.size(); ++k) {
        EXPECT_NEAR(continued[k], reference.Value(at[k]), 1e-12) << at[k];
        double expected = reference.Value(at[k]);
        if (at[k] < x.front()) {
            expected = y.front() + (at[k] - x.front()) * reference.Slope(x.front());
        } else if (at[k] > x.back()) {
            expected = y.back() + (at[k] - x.back()) * reference.Slope(x.back());
        }
        EXPECT_NEAR(linear[k], expected, 1e-12) << at[k];
    }
}

TEST_P(SplineValues, StraightLineDataGiveTheLine) {
    for (const std::vector<double>& x :
         {std::vector<double>{2, 5}, std::vector<double>{0, 1, 3, 7}}) {
        std::vector<double> y;
        for (double v : x) {
            y.push_back(3.0 - 0.5 * v);
        }
        const std::vector<double> at{-4.0, 1.5, 2.0, 9.0};
        for (bool extrapolate : {false, true}) {
            const std::vector<double> values = Evaluate(x, y, at, extrapolate);
            for (std::size_t k = 0; k < at.size(); ++k) {
                EXPECT_NEAR(values[k], 3.0 - 0.5 * at[k], 1e-13) << x.size() << " " << at[k];
            }
        }
    }
}

TEST_P(SplineValues, BadDataFailAndLeaveTheResults) {
    const double x[] = {0, 1, 1, 2}, y[] = {0, 1, 2, NAN}, good[] = {0, 1, 2, 3}, at[] = {0.5};
    const int64_t selector = GetParam();
    double value = -7.0;
    EXPECT_FALSE(CMathHelper::CalculateSplineValues(1, good, good, 1, at, &value, selector, true));
    EXPECT_FALSE(CMathHelper::CalculateSplineValues(4, x, good, 1, at, &value, selector, true));
    EXPECT_FALSE(CMathHelper::CalculateSplineValues(4, good, y, 1, at, &value, selector, true));
    EXPECT_FALSE(CMathHelper::CalculateSplineValues(3, good, good, -1, at, &value, selector, true));
    EXPECT_FALSE(
        CMathHelper::CalculateSplineValues(3, nullptr, good, 1, at, &value, selector, true));
    EXPECT_FALSE(CMathHelper::CalculateSplineValues(3, good, good, 1, at, nullptr, selector, true));
    const double decreasing[] = {3, 2, 1};
    EXPECT_FALSE(
        CMathHelper::CalculateSplineValues(3, decreasing, good, 1, at, &value, selector, true));
    EXPECT_EQ(value, -7.0);
    EXPECT_TRUE(
        CMathHelper::CalculateSplineValues(3, good, good, 0, nullptr, nullptr, selector, true));
}

INSTANTIATE_TEST_SUITE_P(LibraryAndHost, SplineValues, ::testing::Values(0, 1),
                         [](const auto& paramInfo) {
                             return paramInfo.param == 0 ? "Library" : "Host";
                         });

TEST(HostSpline, RejectsBadInputWithANegativeStatus) {
    const double x[] = {0, 2, 1}, y[] = {0, 1, 2}, at[] = {NAN};
    double work[8] = {};
    double value = 0.0;
    const int64_t three = 3, one = 1, none = -1;
    int64_t status = 0;
    const auto expectRefused = [&](const char* what) {
        EXPECT_EQ(status, -1) << what;
        status = 0;
    };
    HostSpline(&three, x, y, work, &status);
    expectRefused("decreasing points");
    HostSpline(&one, x, y, work, &status);
    expectRefused("one point");
    HostSpline(&three, x, y, nullptr, &status);
    expectRefused("no work space");
    HostSplineEval(&three, y, work, &one, at, &value, nullptr, &status);
    expectRefused("NaN abscissa");
    HostSplineEval(&three, y, work, &none, at, &value, nullptr, &status);
    expectRefused("negative count");
}

}  // namespace
