#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "tests/support/array_helpers.h"
#include "tests/support/unit_fixture.h"

namespace brixel::testing {
namespace {

class MatrixUnit : public TestUnit {
  public:
    using CBrixelBaseUnit::m_bPSDWarning;
};

// Matrix2 rows[i][j]: the share of class i that goes to class j.

// S weighs 100 kg/kmol: 0.01 kmol/s is 1 kg/s.
class MovementMatrixTest : public UnitTest {
  protected:
    void SetUp() override {
        UnitTest::SetUp();
        unit.m_naSolidComps = {2};  // the unit was made before S existed
    }

    // Two CISOLID substreams on one 3-interval mesh.
    int64_t TwoSolidStream(double flow1 = 0.02, std::vector<double> psd1 = {0.2, 0.3, 0.5},
                           double flow2 = 0.04, std::vector<double> psd2 = {0.1, 0.1, 0.8}) {
        const host::Attribute mesh = host::Psd({0.0, 1e-5, 1e-4, 1e-3});
        return UnitTest::TwoSolidStream({mesh}, {mesh}, flow1, std::move(psd1), flow2,
                                        std::move(psd2));
    }

    int64_t Bound(int64_t bead) {
        Bind(unit, {bead}, {});
        return bead;
    }

    std::vector<double> Psd(int64_t bead, int substream) {
        double* f = nullptr;
        double* mesh = nullptr;
        const int n = unit.GetPSDPointer(static_cast<int>(bead), substream, f, mesh);
        return {f, f + n};
    }

    double TotalFlow(int64_t bead, int substream) {  // three components
        return host.StreamVector(
            bead)[host.SubstreamOffset(bead, substream) + 3 + stream_vector::kTotalFlow];
    }

    double Flow(int64_t bead, int substream, int component) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + component];
    }

    MatrixUnit unit;
};

TEST_F(MovementMatrixTest, IdentityLeavesTheStreamAsItWas) {
    const int64_t bead = Bound(FeedStream());
    const std::vector<double> before = Vector(bead);
    EXPECT_EQ(
        unit.ApplyMovMatrix(0, CComBSTR("PSD"), Matrix2({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), 0, -3),
        0);
    EXPECT_EQ(Vector(bead), before);
}

TEST_F(MovementMatrixTest, RowsSummingToOneMoveFractionsAndKeepTheMass) {
    const int64_t bead = Bound(FeedStream());  // PSD {0.2, 0.3, 0.5}, 0.5 kmol/s of S
    // Half of class 1 goes to class 0: g = {0.2 + 0.15, 0.15, 0.5}.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("PSD"),
                                  Matrix2({{1, 0, 0}, {0.5, 0.5, 0}, {0, 0, 1}}), 0, -3),
              0);
    ExpectAllNear(Psd(bead, 1), {0.35, 0.15, 0.5}, 1e-14);
    EXPECT_DOUBLE_EQ(Flow(bead, 1, 2), 0.5);
    EXPECT_DOUBLE_EQ(TotalFlow(bead, 1), 0.5);
    EXPECT_DOUBLE_EQ(Flow(bead, 0, 0), 1.0);  // the fluid is not touched
}

TEST_F(MovementMatrixTest, FactorsScaleTheSolidsAndRenormaliseTheFractions) {
    const int64_t bead = Bound(FeedStream());
    // Kept: 0.2 + 0.5 = 0.7 of the solids.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("PSD"), Numbers({1, 0, 1}), 0, 1), 0);
    ExpectAllNear(Psd(bead, 1), {0.2 / 0.7, 0.0, 0.5 / 0.7}, 1e-14);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.35, 1e-15);
    EXPECT_NEAR(TotalFlow(bead, 1), 0.35, 1e-15);
    double solids = 0.0;
    ASSERT_EQ(unit.GetSolidMassFlow(0, &solids), 0);
    EXPECT_NEAR(solids, 35.0, 1e-12);
}

TEST_F(MovementMatrixTest, RefusalsLeaveTheStreamUnchanged) {
    const int64_t bead = Bound(FeedStream());
    const std::vector<double> before = Vector(bead);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        const char* name;
        CComSafeArray<double> matrix;
        int basis;
        int phase;
    };
    const Case cases[] = {
        {"mole basis for sizes", "PSD", Numbers({1, 1, 1}), 1, -3},
        {"mole basis for TVD", "TVD", Numbers({1, 1, 1}), 1, -3},
        {"size name is exact", "psd", Numbers({1, 1, 1}), 0, -3},
        {"unknown axis", "Colour", Numbers({1, 1, 1}), 0, -3},
        {"too few classes", "PSD", Numbers({1, 1}), 0, -3},
        {"not square", "PSD", Matrix2({{1, 0}, {0, 1}}), 0, -3},
        {"negative share", "PSD", Numbers({1, -0.5, 1}), 0, -3},
        {"not a number", "PSD", Numbers({1, nan, 1}), 0, -3},
        {"phase past the last substream", "PSD", Numbers({1, 1, 1}), 0, 2},
        {"no matrix", "PSD", CComSafeArray<double>(), 0, -3},
        {"density classes", "Density", Numbers({0.5, 0.5}), 0, -3},
        {"component count", "fraction", Numbers({1, 1}), 0, -3},
        {"unknown basis", "fraction", Numbers({1, 1, 1}), 7, -3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR(c.name), c.matrix, c.basis, c.phase),
                  kStatusInvalidArgument)
            << c.what;
        EXPECT_EQ(Vector(bead), before) << c.what;
    }
}

TEST_F(MovementMatrixTest, SolidsWithoutFractionsAreSpreadEvenlyFirst) {
    const int64_t bead = Bound(TwoSolidStream(0.03, {0.0, 0.0, 0.0}, 0.0, {0.2, 0.3, 0.5}));
    unit.m_bPSDWarning = true;
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("PSD"), Numbers({1, 0, 0}), 0, -3), 0);
    ExpectAllNear(Psd(bead, 1), {1.0, 0.0, 0.0}, 1e-14);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.01, 1e-15);  // a third is kept
    EXPECT_FALSE(unit.m_bPSDWarning);
    ASSERT_EQ(host.PrintedLines().size(), 2u);
    EXPECT_NE(host.PrintedLines()[0].find(
                  "PSD FRACTIONS ARE NOT PROVIDED IN ALL SUBSTREAMS THAT HAVE SOLIDS FLOW."),
              std::string::npos);
    // The substream without flow has its fractions moved all the same.
    ExpectAllNear(Psd(bead, 2), {1.0, 0.0, 0.0}, 1e-14);
}

TEST_F(MovementMatrixTest, DensityClassesKeepTheirDiagonalShareOnly) {
    const int64_t bead = Bound(TwoSolidStream());
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("density"), Matrix2({{0.5, 0.5}, {0, 1}}), 0, -3), 0);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.01, 1e-15);
    EXPECT_DOUBLE_EQ(Flow(bead, 2, 2), 0.04);
    ExpectAllNear(Psd(bead, 1), {0.2, 0.3, 0.5}, 1e-14);

    // One substream by number: only that class is scaled, with its own factor.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("Density"), Numbers({0.5, 0.25}), 0, 2), 0);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.01, 1e-15);
    EXPECT_NEAR(Flow(bead, 2, 2), 0.01, 1e-15);
}

TEST_F(MovementMatrixTest, ComponentSharesOnMassBasisBecomeMolarShares) {
    const int64_t bead = Bound(FeedStream());  // MIXED: A 1 kmol/s (10 kg/s), B 2 kmol/s (40 kg/s)
    // Half the mass of A becomes B: A 5 kg/s = 0.5 kmol/s, B 45 kg/s = 2.25 kmol/s.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("fraction"),
                                  Matrix2({{0.5, 0.5, 0}, {0, 1, 0}, {0, 0, 1}}), 0, 0),
              0);
    EXPECT_NEAR(Flow(bead, 0, 0), 0.5, 1e-15);
    EXPECT_NEAR(Flow(bead, 0, 1), 2.25, 1e-14);
    EXPECT_NEAR(TotalFlow(bead, 0), 2.75, 1e-14);
    double mass = 0.0;
    ASSERT_EQ(unit.GetOverallProp(0, 0, &mass, 0), 0);
    EXPECT_NEAR(mass, 10.0 + 40.0 + 50.0, 1e-12);  // solids 0.5 kmol/s of S untouched

    // On mole basis the same matrix moves moles: half of A's 0.5 kmol/s.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("fraction"),
                                  Matrix2({{0.5, 0.5, 0}, {0, 1, 0}, {0, 0, 1}}), 1, 0),
              0);
    EXPECT_NEAR(Flow(bead, 0, 0), 0.25, 1e-15);
    EXPECT_NEAR(Flow(bead, 0, 1), 2.5, 1e-14);
}

TEST_F(MovementMatrixTest, VelocityClassesMapOntoSizeAndDensityClasses) {
    const int64_t bead = Bound(TwoSolidStream());
    // Class u = k * 3 + j: keep all of density class 0 except its finest interval, and
    // the coarsest interval of class 1 only.
    CComSafeArray<double> factors = Numbers({0, 1, 1, 0, 0, 1});
    CComSafeArray<double> converted(factors);
    ASSERT_TRUE(unit.ConvertMovMatrixTVD(0, converted));
    ASSERT_EQ(converted.GetDimensions(), 4u);
    for (unsigned int d = 0; d < 4; ++d) {
        EXPECT_EQ(converted.GetCount(d), d % 2 == 0 ? 3u : 2u);
    }
    double cell = -1.0;
    const long kept[4] = {2, 1, 2, 1};  // interval 2 of class 1 to itself
    ASSERT_EQ(converted.MultiDimGetAt(kept, cell), 0);
    EXPECT_EQ(cell, 1.0);
    const long across[4] = {1, 0, 1, 1};
    ASSERT_EQ(converted.MultiDimGetAt(across, cell), 0);
    EXPECT_EQ(cell, 0.0);

    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("TVD"), factors, 0, -3), 0);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.02 * 0.8, 1e-15);
    EXPECT_NEAR(Flow(bead, 2, 2), 0.04 * 0.8, 1e-15);
    ExpectAllNear(Psd(bead, 1), {0.0, 0.3 / 0.8, 0.5 / 0.8}, 1e-14);
    ExpectAllNear(Psd(bead, 2), {0.0, 0.0, 1.0}, 1e-14);

    // The same factors as a diagonal share matrix go through the four-dimensional form and
    // give the same stream.
    const int64_t twin = TwoSolidStream();
    MatrixUnit second;
    second.m_naSolidComps = {2};
    Bind(second, {twin}, {});
    std::vector<std::vector<double>> diagonal(6, std::vector<double>(6, 0.0));
    for (std::size_t u = 0; u < 6; ++u) {
        diagonal[u][u] = factors.GetAt(static_cast<long>(u));
    }
    EXPECT_EQ(second.ApplyMovMatrix(0, CComBSTR("TVD"), Matrix2(diagonal), 0, -3), 0);
    EXPECT_EQ(Vector(twin), Vector(bead));

    // A velocity matrix of the wrong size is refused.
    EXPECT_EQ(unit.ApplyMovMatrix(0, CComBSTR("TVD"), Numbers({1, 1, 1}), 0, -3),
              kStatusInvalidArgument);
}

TEST_F(MovementMatrixTest, SharesBetweenDensityClassesAreNotApplied) {
    const int64_t bead = Bound(TwoSolidStream());
    // (size, density, size, density): everything of class 0 would go to class 1.
    SAFEARRAYBOUND bounds[4] = {{3, 0}, {2, 0}, {3, 0}, {2, 0}};
    CComSafeArray<double> matrix(bounds, 4);
    for (long i = 0; i < 3; ++i) {
        const long across[4] = {i, 0, i, 1};
        matrix.MultiDimSetAt(across, 1.0);
        const long within[4] = {i, 1, i, 1};
        matrix.MultiDimSetAt(within, 1.0);
    }
    EXPECT_EQ(unit.ApplyMovMatrix("IN0", Names({"density", "PSD"}), matrix), 0);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.0, 1e-18);  // class 0 lost its solids, nothing was moved
    EXPECT_DOUBLE_EQ(Flow(bead, 2, 2), 0.04);
    EXPECT_EQ(unit.ApplyMovMatrix("IN0", Names({"PSD", "Size"}), matrix), kStatusInvalidArgument);
}

TEST_F(MovementMatrixTest, NameFormsResolvePortAndBasis) {
    const int64_t bead = Bound(FeedStream());
    for (const auto& [port, basis] :
         {std::pair{"IN0", "mole"}, {"IN0", "bulk"}, {"NOPORT", "mass"}}) {
        EXPECT_EQ(unit.ApplyMovMatrix(port, CComBSTR("PSD"), Numbers({1, 1, 0}), CComBSTR(basis)),
                  kStatusInvalidArgument)
            << port << " " << basis;
    }
    EXPECT_EQ(unit.ApplyMovMatrix("IN0", CComBSTR("PSD"), Numbers({1, 1, 0}), CComBSTR("mass")), 0);
    EXPECT_NEAR(Flow(bead, 1, 2), 0.25, 1e-15);

    MatrixUnit lonely;
    EXPECT_EQ(lonely.ApplyMovMatrix("IN0", CComBSTR("PSD"), Numbers({1, 1, 0}), CComBSTR("mass")),
              kStatusFail);
}

}  // namespace
}  // namespace brixel::testing
