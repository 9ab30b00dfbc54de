#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "brixel/numerics/matrix.h"
#include "brixel/numerics/vector.h"
#include "host/substitute_host.h"
#include "numerics/dense_builders.h"

namespace {

using Lines = std::vector<std::string>;

using brixel::testing::Elements;
using brixel::testing::FromRows;
using brixel::testing::FromValues;

std::vector<double> Elements(const CMatrix& m) {
    std::vector<double> all;
    for (uint32_t i = 0; i < m.GetNumberOfRows(); ++i) {
        for (uint32_t j = 0; j < m.GetNumberOfCols(); ++j) {
            all.push_back(m.At(i, j));
        }
    }
    return all;
}

bool IsEmpty(const CMatrix& m) {
    return m.GetNumberOfRows() == 0 && m.GetNumberOfCols() == 0;
}

// Exposes the protected minor helpers.
class OpenMatrix : public CMatrix {
  public:
    explicit OpenMatrix(const CMatrix& m) : CMatrix(m) {}
    using CMatrix::Adjoint;
    using CMatrix::Cofact;
    using CMatrix::Compl;
};

TEST(CVector, ReadsBeyondTheEndGiveZeroAndWritesThereAreReportedAndDropped) {
    brixel::host::SubstituteHost host;
    CVector v(3, 1.5);
    EXPECT_EQ(v.At(2), 1.5);
    EXPECT_EQ(v.At(3), 0.0);
    EXPECT_EQ(v.At(std::numeric_limits<uint32_t>::max()), 0.0);
    EXPECT_TRUE(host.HistoryLines().empty());
    v[3] = 7.0;
    EXPECT_EQ(Elements(v), (std::vector<double>{1.5, 1.5, 1.5}));
    EXPECT_EQ(host.HistoryLines(), Lines{"Error,vector index out of range!"});
}

TEST(CVector, ResizeKeepsTheCommonElementsAndFillsTheNewOnes) {
    CVector v = FromValues({1.0, 2.0});
    v.Resize(4, 9.0);
    EXPECT_EQ(Elements(v), (std::vector<double>{1.0, 2.0, 9.0, 9.0}));
    v.Resize(1);
    EXPECT_EQ(v.At(1), 0.0);
    v.Resize(3);  // the capacity still holds old values; they must not come back
    EXPECT_EQ(Elements(v), (std::vector<double>{1.0, 0.0, 0.0}));
    v.SetAll(4.0);
    EXPECT_EQ(Elements(v), (std::vector<double>{4.0, 4.0, 4.0}));
    v.SetZero();
    EXPECT_EQ(Elements(v), (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST(CVector, ArithmeticCopiesAndSwaps) {
    const CVector a = FromValues({1.0, 2.0, 3.0});
    const CVector b = FromValues({10.0, 20.0, 30.0});
    EXPECT_EQ(Elements(a + b), (std::vector<double>{11.0, 22.0, 33.0}));
    EXPECT_EQ(Elements(b - a), (std::vector<double>{9.0, 18.0, 27.0}));
    EXPECT_EQ(Elements(a + 0.5), (std::vector<double>{1.5, 2.5, 3.5}));
    CVector c(a);
    c += 1.0;
    c.SwapRows(0, 2);
    EXPECT_EQ(Elements(c), (std::vector<double>{4.0, 3.0, 2.0}));
    EXPECT_EQ(Elements(a), (std::vector<double>{1.0, 2.0, 3.0}));  // the copy is deep
    c = b;
    EXPECT_EQ(Elements(c), Elements(b));
}

TEST(CVector, UnfittingSizesAndBadSwapsAreReportedWithoutStopping) {
    brixel::host::SubstituteHost host;
    CVector a = FromValues({1.0, 2.0});
    const CVector b(3, 1.0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ((a + b).Size(), 0u);
    EXPECT_EQ((a - b).Size(), 0u);
    a.SwapRows(0, 2);
    a.SwapRows(1, 1);  // every index below the size is valid
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Elements(a), (std::vector<double>{1.0, 2.0}));
    const Lines expected{"Error,vector operation not defined!",
                         "Error,vector operation not defined!", "Error: SwapRows caused error"};
    EXPECT_EQ(host.HistoryLines(), expected);
    EXPECT_EQ(printed, expected[0] + "\n" + expected[1] + "\n" + expected[2] + "\n");
}

TEST(CMatrix, ElementAccessResizeAndRenew) {
    brixel::host::SubstituteHost host;
    CMatrix m = FromRows({{1, 2}, {3, 4}});
    EXPECT_EQ(m.At(1, 0), 3.0);
    EXPECT_EQ(m.At(2, 0), 0.0);
    EXPECT_EQ(m.At(0, 2), 0.0);
    m.Resize(3, 3);
    EXPECT_EQ(Elements(m), (std::vector<double>{1, 2, 0, 3, 4, 0, 0, 0, 0}));
    m.Resize(1, 2);
    EXPECT_EQ(Elements(m), (std::vector<double>{1, 2}));
    m[5][0] = 8.0;  // dropped and reported (by the matrix, then by the scratch row)
    EXPECT_EQ(Elements(m), (std::vector<double>{1, 2}));
    EXPECT_EQ(host.HistoryLines(),
              (Lines{"Error,matrix row out of range!", "Error,vector index out of range!"}));
    m.RenewMatrix(2, 3);
    EXPECT_EQ(Elements(m), std::vector<double>(6, 0.0));
    EXPECT_EQ(m.GetNumberOfRows(), 2u);
    EXPECT_EQ(m.GetNumberOfCols(), 3u);
}

TEST(CMatrix, ElementwiseScalarAndProductOperations) {
    const CMatrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
    const CMatrix b = FromRows({{6, 5, 4}, {3, 2, 1}});
    EXPECT_EQ(Elements(a + b), std::vector<double>(6, 7.0));
    EXPECT_EQ(Elements(a - b), (std::vector<double>{-5, -3, -1, 1, 3, 5}));
    CMatrix c(a);
    c += b;
    c -= a;
    EXPECT_EQ(Elements(c), Elements(b));
    EXPECT_EQ(Elements(a * 2.0 / 4.0 + 1.0 - 0.5), (std::vector<double>{1, 1.5, 2, 2.5, 3, 3.5}));
    c = a;
    c *= 3.0;
    c /= 3.0;
    c += 2.0;
    c -= 2.0;
    EXPECT_EQ(Elements(c), Elements(a));

    // Worked by hand: [1 2 3; 4 5 6] * [1 0; 0 1; 1 1] = [4 5; 10 11].
    EXPECT_EQ(Elements(a * FromRows({{1, 0}, {0, 1}, {1, 1}})),
              (std::vector<double>{4, 5, 10, 11}));
    EXPECT_EQ(Elements(a * FromValues({1, -1, 2})), (std::vector<double>{5, 11}));
    EXPECT_EQ(Elements(a.Trans()), (std::vector<double>{1, 4, 2, 5, 3, 6}));

    c = a;
    c.SwapRows(0, 1);
    EXPECT_EQ(Elements(c), (std::vector<double>{4, 5, 6, 1, 2, 3}));
}

TEST(CMatrix, UnfittingDimensionsAreReportedAndGiveEmptyResults) {
    brixel::host::SubstituteHost host;
    const CMatrix a(2, 2);
    const CMatrix b(2, 3);
    EXPECT_TRUE(IsEmpty(a + b));
    EXPECT_TRUE(IsEmpty(a - b));
    EXPECT_TRUE(IsEmpty(b * b));
    EXPECT_EQ((b * CVector(2)).Size(), 0u);
    EXPECT_TRUE(IsEmpty(a / 0.0));
    CMatrix c(a);
    c += b;
    EXPECT_TRUE(IsEmpty(c));
    c = b;
    c.SwapRows(0, 2);
    EXPECT_EQ(c.GetNumberOfRows(), 2u);
    EXPECT_EQ(host.HistoryLines(),
              (Lines{"Error,matrix operation not defined!", "Error,matrix operation not defined!",
                     "Error,matrix operation not defined!", "Error,matrix operation not defined!",
                     "Error,matrix operation not defined!", "Error,matrix operation not defined!",
                     "Error: SwapRows caused error"}));
}

TEST(CMatrixDet, KnownValues) {
    // Zero first element; expanded by hand along the first row: 0 - 1*(27-30) + 2*(21-24).
    EXPECT_DOUBLE_EQ(FromRows({{0, 1, 2}, {3, 4, 5}, {6, 7, 9}}).Det(), -3.0);
    EXPECT_EQ(FromRows({{-2.5}}).Det(), -2.5);
    EXPECT_EQ(FromRows({{1, 2}, {2, 4}}).Det(), 0.0);
    EXPECT_EQ(CMatrix(2, 3).Det(), 0.0);
    EXPECT_EQ(CMatrix().Det(), 0.0);
    // Upper triangular 8x8 (the elimination path): the product of the diagonal.
    CMatrix triangle(8, 8);
    double product = 1.0;
    for (uint32_t i = 0; i < 8; ++i) {
        for (uint32_t j = i; j < 8; ++j) {
            triangle[i][j] = (i == j) ? 1.0 + i : 0.3 * (j - i);
        }
        product *= 1.0 + i;
    }
    triangle.SwapRows(0, 7);  // one exchange flips the sign
    EXPECT_NEAR(triangle.Det(), -product, 1e-9 * product);
}

TEST(CMatrixDet, VandermondeDeterminantBothWays) {
    for (uint32_t n = 2; n <= 8; ++n) {
        CMatrix v(n, n);
        std::vector<double> nodes;
        for (uint32_t i = 0; i < n; ++i) {
            nodes.push_back(0.5 + 0.7 * i + 0.05 * i * i);
        }
        double expected = 1.0;  // product of x_j - x_i over i < j
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t j = 0; j < n; ++j) {
                v[i][j] = std::pow(nodes[i], j);
                if (i < j) {
                    expected *= nodes[j] - nodes[i];
                }
            }
        }
        const double tolerance = 1e-10 * std::fabs(expected);
        EXPECT_NEAR(v.Det(), expected, tolerance) << n;
        EXPECT_NEAR(brixel::DeterminantByMinors(v), expected, tolerance) << n;
        EXPECT_NEAR(brixel::DeterminantByElimination(v), expected, tolerance) << n;
    }
}

TEST(CMatrixDet, MinorsAndEliminationAgreeToRoundingForOrdersFourToSix) {
    std::mt19937 generator(20240611);
    std::uniform_real_distribution<double> value(-5.0, 5.0);
    for (uint32_t n = 4; n <= 6; ++n) {
        for (int sample = 0; sample < 20; ++sample) {
            CMatrix m(n, n);
            double scale = 1.0;  // bounds the rounding of both sums
            for (uint32_t i = 0; i < n; ++i) {
                double rowNorm = 0.0;
                for (uint32_t j = 0; j < n; ++j) {
                    m[i][j] = value(generator);
                    rowNorm += m[i][j] * m[i][j];
                }
                scale *= std::sqrt(rowNorm);
            }
            EXPECT_NEAR(brixel::DeterminantByMinors(m), brixel::DeterminantByElimination(m),
                        1e-12 * scale)
                << n;
        }
    }
}

TEST(CMatrix, MinorsCofactorsAndAdjoint) {
    const OpenMatrix m(FromRows({{2, 0, 1}, {1, 3, 2}, {1, 1, 1}}));
    EXPECT_EQ(Elements(m.Compl(1, 2)), (std::vector<double>{2, 0, 1, 1}));
    EXPECT_TRUE(IsEmpty(m.Compl(3, 0)));
    EXPECT_DOUBLE_EQ(m.Cofact(0, 1), -(1.0 * 1 - 2.0 * 1));  // -det [1 2; 1 1]
    // adj(A) A = det(A) I; det by hand along the first row: 2*(6-2) + 1*(1-3) = 6.
    const OpenMatrix r(FromRows({{2, 0, 1}, {1, 3, 2}, {1, 1, 2}}));
    EXPECT_TRUE((r.Adjoint() * r).IsEqual(brixel::testing::Identity(3) * 6.0, 1e-12, 0.0));
    EXPECT_TRUE(IsEmpty(OpenMatrix(CMatrix(2, 3)).Adjoint()));
}

TEST(CMatrix, IsEqualUsesAbsolutePlusRelativeTolerance) {
    const CMatrix a = FromRows({{100.0, 1.0}});
    const CMatrix b = FromRows({{100.5, 1.0}});
    EXPECT_FALSE(a.IsEqual(b, 0.1, 0.001));
    EXPECT_TRUE(a.IsEqual(b, 0.1, 0.005));  // 0.1 + 0.005 * 100.5 >= 0.5
    EXPECT_TRUE(a.IsEqual(b, 0.5, 0.0));
    EXPECT_FALSE(a.IsEqual(CMatrix(1, 3), 1e9, 1e9));
    EXPECT_FALSE(a.IsEqual(FromRows({{std::nan(""), 1.0}}), 1e9, 1e9));
}

}  // namespace
