// Grade-efficiency curves computed from the records of a feed and a product stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "brixel/exports/efficiency_exports.h"
#include "brixel/framework/status.h"
#include "brixel/models/separation/efficiency_report.h"
#include "models/separation/separator_fixture.h"
#include "support/array_helpers.h"

namespace brixel::testing {
namespace {

constexpr double kMiss = host::kRealMissing;
constexpr double kUnset = -555.0;  // the table's content before a call

// Components A, B (fluids) and S (a conventional solid, 100 kg/kmol: 0.01 kmol/s is 1 kg/s);
// a MIXED substream and two CISOLID substreams whose PSD meshes the test chooses.
class CurveTest : public ::testing::Test {
  protected:
    static constexpr int kStride = 10;  // class block 0-2, efficiencies 3-5, densities 6-8

    void Build(const std::vector<double>& mesh1, const std::vector<double>& mesh2) {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        host.AddComponent({.id = "B", .molecularWeight = 20.0});
        host.AddComponent({.id = "S", .molecularWeight = 100.0, .conventionalSolid = true});
        streamClass = host.AddStreamClass(
            "MIXCI2",
            {{"MIXED", 1, {}}, {"CI1", 2, {host::Psd(mesh1)}}, {"CI2", 2, {host::Psd(mesh2)}}});
        plex::SetupFromHost();
    }
    // Solid flows (kg/s) and PSDs of both solid substreams, densities 2000 and 3000 kg/m3.
    int64_t Stream(double mass1, std::vector<double> psd1, double mass2, std::vector<double> psd2) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState mixed;
        mixed.flows = {1.0, 0.0, 0.0};
        mixed.temperature = 300.0;
        mixed.pressure = 1e5;
        host.SetSubstream(bead, 0, mixed);
        host::SubstreamState solid;
        solid.temperature = 300.0;
        solid.pressure = 1e5;
        solid.flows = {0.0, 0.0, mass1 / 100.0};
        solid.density = 2000.0;
        solid.psd = std::move(psd1);
        host.SetSubstream(bead, 1, solid);
        solid.flows = {0.0, 0.0, mass2 / 100.0};
        solid.density = 3000.0;
        solid.psd = std::move(psd2);
        host.SetSubstream(bead, 2, solid);
        return bead;
    }
    long Curves(int64_t feed, int64_t product, int density = 6) {
        table.assign(4 * kStride, kUnset);
        return CBrixelBaseUnit::StaticGenSepEffCurves(static_cast<int>(feed),
                                                      static_cast<int>(product), kStride, 0, 3,
                                                      table.data(), density);
    }
    std::vector<double> Block(int row, int column) const {
        const auto first = table.begin() + row * kStride + column;
        return {first, first + 3};
    }

    host::SubstituteHost host;
    int64_t streamClass = 0;
    std::vector<double> table;
};

const std::vector<double> kMesh3 = {0.0, 1e-6, 1e-5, 1e-4};

TEST_F(CurveTest, EfficiencyIsTheFeedMassOfAClassFoundInTheProduct) {
    Build(kMesh3, kMesh3);
    // Substream 1: feed 1 kg/s as 0.2, 0.5, 0.3; product 0.4 kg/s as 0.05, 0.35, 0.6, that is
    // 0.02, 0.14, 0.24 kg/s of 0.2, 0.5, 0.3 kg/s: 0.1, 0.28, 0.8.
    // Substream 2: feed 2 kg/s as 0, 0.5, 0.5; product 1 kg/s as 0, 0.2, 0.8: class 0 has no
    // feed mass, then 0.2/1 and 0.8/1.
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 2.0, {0.0, 0.5, 0.5});
    const int64_t product = Stream(0.4, {0.05, 0.35, 0.6}, 1.0, {0.0, 0.2, 0.8});
    ASSERT_EQ(Curves(feed, product), kStatusOk);
    ExpectAllNear(Block(1, 0), {0.5e-6, 5.5e-6, 5.5e-5}, 1e-18);
    ExpectAllNear(Block(1, 3), {0.1, 0.28, 0.8}, 1e-12);
    const std::vector<double> second = Block(2, 3);
    EXPECT_EQ(second[0], kMiss);
    EXPECT_NEAR(second[1], 0.2, 1e-12);
    EXPECT_NEAR(second[2], 0.8, 1e-12);
    ExpectAllNear(Block(1, 6), {2000.0, 2000.0, 2000.0}, 0.0);
    ExpectAllNear(Block(2, 6), {3000.0, 3000.0, 3000.0}, 0.0);
    // Overall: (0.02 + 0)/(0.2 + 0), (0.14 + 0.2)/(0.5 + 1), (0.24 + 0.8)/(0.3 + 1); density
    // 3 kg/s over 1/2000 + 2/3000 m3/s.
    ExpectAllNear(Block(3, 0), {0.5e-6, 5.5e-6, 5.5e-5}, 1e-18);
    ExpectAllNear(Block(3, 3), {0.1, 0.34 / 1.5, 1.04 / 1.3}, 1e-12);
    const double harmonic = 3.0 / (1.0 / 2000.0 + 2.0 / 3000.0);
    ExpectAllNear(Block(3, 6), {harmonic, harmonic, harmonic}, 1e-9);
    // The MIXED substream has no PSD: its row is untouched, and so is the rest of each row.
    for (int column = 0; column < kStride; ++column) {
        EXPECT_EQ(table[static_cast<std::size_t>(column)], kUnset);
    }
    EXPECT_EQ(table[kStride + 9], kUnset);
}

TEST_F(CurveTest, FeedWithoutDistributionCountsEachClassAsAnEqualShare) {
    Build(kMesh3, kMesh3);
    // Feed substream 1 carries 1.5 kg/s without fractions: 0.5 kg/s per class. The product
    // has 0.6 kg/s as 0.5, 0.25, 0.25 -> 0.3/0.5, 0.15/0.5, 0.15/0.5. Without a product
    // PSD either, each class gets a third of the product: 0.6/3/0.5 = 0.4.
    const int64_t feed = Stream(1.5, {0.0, 0.0, 0.0}, 0.0, {0.0, 0.0, 0.0});
    const int64_t product = Stream(0.6, {0.5, 0.25, 0.25}, 0.0, {0.0, 0.0, 0.0});
    ASSERT_EQ(Curves(feed, product), kStatusOk);
    ExpectAllNear(Block(1, 3), {0.6, 0.3, 0.3}, 1e-12);
    // Substream 2 has no feed mass at all: every class is missing.
    ExpectAllNear(Block(2, 3), {kMiss, kMiss, kMiss}, 0.0);
    const int64_t bare = Stream(0.6, {0.0, 0.0, 0.0}, 0.0, {0.0, 0.0, 0.0});
    ASSERT_EQ(Curves(feed, bare), kStatusOk);
    ExpectAllNear(Block(1, 3), {0.4, 0.4, 0.4}, 1e-12);
}

TEST_F(CurveTest, DifferentMeshesGiveBothRowsButNoOverallRow) {
    Build(kMesh3, {0.0, 2e-6, 2e-5, 2e-4});
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 1.0, {0.2, 0.5, 0.3});
    const int64_t product = Stream(0.5, {0.2, 0.5, 0.3}, 0.5, {0.2, 0.5, 0.3});
    ASSERT_EQ(Curves(feed, product), kStatusOk);
    ExpectAllNear(Block(1, 3), {0.5, 0.5, 0.5}, 1e-12);
    ExpectAllNear(Block(2, 0), {1e-6, 1.1e-5, 1.1e-4}, 1e-18);
    ExpectAllNear(Block(2, 3), {0.5, 0.5, 0.5}, 1e-12);
    ExpectAllNear(Block(3, 0), {kUnset, kUnset, kUnset}, 0.0);
    ExpectAllNear(Block(3, 3), {kUnset, kUnset, kUnset}, 0.0);
}

TEST_F(CurveTest, ProceduralEntryCountsColumnsFromOneAndZeroDensityMeansNone) {
    Build(kMesh3, kMesh3);
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 0.0, {0.0, 0.0, 0.0});
    const int64_t product = Stream(0.4, {0.05, 0.35, 0.6}, 0.0, {0.0, 0.0, 0.0});
    table.assign(4 * kStride, kUnset);
    const int64_t stride = kStride, classes = 1, efficiencies = 4;
    for (const int64_t density : {int64_t{0}, int64_t{-1}}) {
        EXPECT_EQ(
            BXUT_GNSEFF(&feed, &product, &stride, &classes, &efficiencies, table.data(), &density),
            0);
        ExpectAllNear(Block(1, 3), {0.1, 0.28, 0.8}, 1e-12);
        for (int row = 0; row < 4; ++row) {
            ExpectAllNear(Block(row, 6), {kUnset, kUnset, kUnset}, 0.0);
        }
    }
    const int64_t density = 7;
    EXPECT_EQ(
        BXUT_GNSEFF(&feed, &product, &stride, &classes, &efficiencies, table.data(), &density), 0);
    ExpectAllNear(Block(1, 6), {2000.0, 2000.0, 2000.0}, 0.0);
}

TEST_F(CurveTest, BadArgumentsWriteNothing) {
    Build(kMesh3, kMesh3);
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 0.0, {0.0, 0.0, 0.0});
    const int64_t product = Stream(0.4, {0.05, 0.35, 0.6}, 0.0, {0.0, 0.0, 0.0});
    const int f = static_cast<int>(feed), p = static_cast<int>(product);
    table.assign(4 * kStride, kUnset);
    const std::vector<double> untouched = table;
    // A block that runs past the stride: 3 classes from column 8 of 10, or of 2 in a stride 2.
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, kStride, 8, 0, table.data(), -1),
              kStatusInvalidArgument);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, kStride, 0, 3, table.data(), 8),
              kStatusInvalidArgument);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, 2, 0, 0, table.data(), -1),
              kStatusInvalidArgument);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, 0, 0, 0, table.data(), -1),
              kStatusInvalidArgument);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, kStride, -1, 3, table.data(), -1),
              kStatusInvalidArgument);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, kStride, 0, 3, table.data(), -2),
              kStatusInvalidArgument);
    // Beads that are not streams, and a product of another stream class.
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(123, p, kStride, 0, 3, table.data(), -1),
              kStatusInvalidArgument);
    const int64_t other =
        host.AddStreamClass("MIXCISLD", {{"MIXED", 1, {}}, {"CI1", 2, {host::Psd(kMesh3)}}});
    const int64_t foreign = host.AddStream(other);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, static_cast<int>(foreign), kStride, 0, 3,
                                                     table.data(), -1),
              kStatusInvalidArgument);
    EXPECT_EQ(table, untouched);
    EXPECT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(f, p, kStride, 0, 3, nullptr, -1),
              kStatusNullPointer);
    // The procedural entry: null arguments and column 0.
    const int64_t stride = kStride, zero = 0, one = 1, four = 4, none = -1;
    EXPECT_EQ(BXUT_GNSEFF(&feed, &product, &stride, &zero, &four, table.data(), &none),
              kStatusInvalidArgument);
    EXPECT_EQ(BXUT_GNSEFF(&feed, nullptr, &stride, &one, &four, table.data(), &none),
              kStatusNullPointer);
    EXPECT_EQ(BXUT_GNSEFF(&feed, &product, &stride, &one, &four, nullptr, &none),
              kStatusNullPointer);
    const int64_t huge = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(BXUT_GNSEFF(&feed, &product, &huge, &one, &four, table.data(), &none),
              kStatusInvalidArgument);
    EXPECT_EQ(table, untouched);
}

// ---- against the separator -----------------------------------------------------------------

class SeparatorCurveTest : public SeparatorTest {};

TEST_F(SeparatorCurveTest, CurveFromTheStreamsEqualsTheSeparatorsOwnCurve) {
    for (const double sharpness : {0.3, 0.8}) {
        SCOPED_TRACE(sharpness);
        Separator unit(0);
        Specify(unit, GasFeed(), kSolidSplit, 0.6, kVaporSplit, 1.0, sharpness);
        ASSERT_EQ(unit.Calculate(), kStatusOk);
        const CComSafeArray<double>& curve = unit.GetSeparation()->GetEfficiencyCurve();
        const auto n = static_cast<int>(kPsd.size());
        ASSERT_EQ(curve.GetCount(0), kPsd.size());
        const int stride = 2 * n;
        std::vector<double> fromUnit(3 * static_cast<std::size_t>(stride), kUnset);
        std::vector<double> fromHost = fromUnit;
        ASSERT_EQ(unit.GenerateSeparationEfficiencyCurves(static_cast<int>(inlet),
                                                          static_cast<int>(solidOut), stride, 0, n,
                                                          fromUnit.data(), -1),
                  kStatusOk);
        ASSERT_EQ(CBrixelBaseUnit::StaticGenSepEffCurves(static_cast<int>(inlet),
                                                         static_cast<int>(solidOut), stride, 0, n,
                                                         fromHost.data(), -1),
                  kStatusOk);
        EXPECT_EQ(fromUnit, fromHost);
        for (long i = 0; i < n; ++i) {
            std::array<long, 2> size{i, 0}, efficiency{i, 1};
            double x = 0.0, percent = 0.0;
            curve.MultiDimGetAt(size.data(), x);
            curve.MultiDimGetAt(efficiency.data(), percent);
            // Row 1 is the CISOLID substream; row 2 the overall curve (the only PSD).
            for (const int row : {1, 2}) {
                const std::size_t at = static_cast<std::size_t>(row * stride + i);
                EXPECT_DOUBLE_EQ(fromUnit[at], x) << "class " << i;
                EXPECT_NEAR(100.0 * fromUnit[at + static_cast<std::size_t>(n)], percent, 1e-9)
                    << "class " << i;
            }
        }
        EXPECT_EQ(fromUnit[0], kUnset);  // the MIXED substream carries no PSD
    }
}

// ---- report and summary --------------------------------------------------------------------

TEST(FormatG12, WritesFixedPointFromOneTenthToBelowTenThousandElseExponent) {
    EXPECT_EQ(FormatG12(0.0), "  0.0000    ");
    EXPECT_EQ(FormatG12(0.28), " 0.28000    ");
    EXPECT_EQ(FormatG12(1.0), "  1.0000    ");
    EXPECT_EQ(FormatG12(5.5), "  5.5000    ");
    EXPECT_EQ(FormatG12(55.0), "  55.000    ");
    EXPECT_EQ(FormatG12(12345.0), "  12345.    ");
    EXPECT_EQ(FormatG12(-0.5), "-0.50000    ");
    EXPECT_EQ(FormatG12(0.05), " 0.50000E-01");
    EXPECT_EQ(FormatG12(5.5e-5), " 0.55000E-04");
    EXPECT_EQ(FormatG12(123456.0), " 0.12346E+06");
    EXPECT_EQ(FormatG12(99999.9), " 0.10000E+06");  // rounds past the fixed range
    EXPECT_EQ(FormatG12(-2.5e-7), "-0.25000E-06");
}

TEST_F(CurveTest, ReportAndSummaryCarryEveryCurve) {
    Build(kMesh3, kMesh3);
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 2.0, {0.0, 0.5, 0.5});
    const int64_t product = Stream(0.4, {0.05, 0.35, 0.6}, 1.0, {0.0, 0.2, 0.8});
    const std::vector<int64_t> id = host::PackText("CYCLONE", 8);
    int64_t status = -1;
    BXUT_SEPEFF(id.data(), &feed, &product, &status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> lines = Trimmed(host.ReportLines());
    const std::vector<std::string> expected = {
        "",
        " BLOCK:  CYCLONE",
        "",
        "   SEPARATION EFFICIENCY FOR SUBSTREAM CI1",
        "",
        "           SIZE           EFFICIENCY",
        "             MU",
        "    0.50000              0.10000",
        "     5.5000              0.28000",
        "     55.000              0.80000",
        "",
        "   SEPARATION EFFICIENCY FOR SUBSTREAM CI2",
        "",
        "           SIZE           EFFICIENCY",
        "             MU",
        "    0.50000              MISSING",
        "     5.5000              0.20000",
        "     55.000              0.80000",
        "",
        "   OVERALL SEPARATION EFFICIENCY",
        "",
        "           SIZE           EFFICIENCY",
        "             MU",
        "    0.50000              0.10000",
        "     5.5000              0.22667",
        "     55.000              0.80000",
    };
    EXPECT_EQ(lines, expected);

    const std::vector<host::SummaryEntry>& summary = host.Summary();
    ASSERT_EQ(summary.size(), 12u);  // four entries for each of the three curves
    EXPECT_EQ(summary[0].block, "CYCLONE");
    EXPECT_EQ(summary[0].substream, "CI1");
    EXPECT_EQ(summary[0].key, "IDSET");
    EXPECT_EQ(summary[0].text, "CI1");
    EXPECT_EQ(summary[1].key, "PROPERTIES");
    EXPECT_EQ(summary[2].key, "NPOINTS");
    EXPECT_EQ(summary[2].values, std::vector<double>{3.0});
    EXPECT_EQ(summary[3].key, "SEPEFF");
    ExpectAllNear(summary[3].values, {0.5e-6, 5.5e-6, 5.5e-5, 0.1, 0.28, 0.8}, 1e-12);
    EXPECT_EQ(summary[7].substream, "CI2");
    EXPECT_EQ(summary[7].values[3], kMiss);
    EXPECT_EQ(summary[11].substream, "");
    ExpectAllNear(summary[11].values, {0.5e-6, 5.5e-6, 5.5e-5, 0.1, 0.34 / 1.5, 1.04 / 1.3}, 1e-12);
}

TEST_F(CurveTest, ReportRefusesBadBeadsAndNullArguments) {
    Build(kMesh3, kMesh3);
    const int64_t feed = Stream(1.0, {0.2, 0.5, 0.3}, 0.0, {0.0, 0.0, 0.0});
    const std::vector<int64_t> id = host::PackText("CYCLONE", 8);
    const int64_t unknown = 4711;
    int64_t status = 0;
    BXUT_SEPEFF(id.data(), &feed, &unknown, &status);
    EXPECT_EQ(status, kStatusInvalidArgument);
    BXUT_SEPEFF(id.data(), nullptr, &feed, &status);
    EXPECT_EQ(status, kStatusNullPointer);
    BXUT_SEPEFF(id.data(), &feed, &feed, nullptr);  // no status word: nothing to crash on
    EXPECT_FALSE(host.Summary().empty());
    host.ClearCaptures();
    BXUT_SEPEFF(id.data(), &feed, &unknown, &status);
    EXPECT_TRUE(host.ReportLines().empty());
    EXPECT_TRUE(host.Summary().empty());
}

// A MIXED substream with a PSD: only its solid components count, and the report shows it only
// when the host reports solid polymer in it.
TEST_F(CurveTest, MixedSubstreamCountsItsSolidsAndIsReportedOnlyWithSolidPolymer) {
    host.AddComponent({.id = "A", .molecularWeight = 10.0});
    host.AddComponent({.id = "B", .molecularWeight = 20.0});
    host.AddComponent({.id = "S", .molecularWeight = 100.0, .conventionalSolid = true});
    streamClass = host.AddStreamClass("MIXPSD", {{"MIXED", 1, {host::Psd(kMesh3)}}});
    plex::SetupFromHost();
    auto stream = [&](double fluid, double polymer, double solid, std::vector<double> psd) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState mixed;
        mixed.flows = {fluid, polymer, solid / 100.0};
        mixed.temperature = 300.0;
        mixed.pressure = 1e5;
        mixed.psd = std::move(psd);
        host.SetSubstream(bead, 0, mixed);
        return bead;
    };
    // 1 kg/s of S against 0.4 kg/s: as in the CISOLID case, whatever the fluid carries.
    const int64_t feed = stream(1.0, 0.1, 1.0, {0.2, 0.5, 0.3});
    const int64_t product = stream(0.1, 0.1, 0.4, {0.05, 0.35, 0.6});
    table.assign(4 * kStride, kUnset);
    ASSERT_EQ(
        CBrixelBaseUnit::StaticGenSepEffCurves(static_cast<int>(feed), static_cast<int>(product),
                                               kStride, 0, 3, table.data(), -1),
        kStatusOk);
    ExpectAllNear(Block(0, 3), {0.1, 0.28, 0.8}, 1e-12);
    ExpectAllNear(Block(1, 3), {0.1, 0.28, 0.8}, 1e-12);  // overall

    const std::vector<int64_t> id = host::PackText("FILTER", 8);
    int64_t status = -1;
    BXUT_SEPEFF(id.data(), &feed, &product, &status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> without = Trimmed(host.ReportLines());
    EXPECT_EQ(
        std::count(without.begin(), without.end(), "   SEPARATION EFFICIENCY FOR SUBSTREAM MIXED"),
        0);
    EXPECT_EQ(std::count(without.begin(), without.end(), "   OVERALL SEPARATION EFFICIENCY"), 1);

    host.ClearCaptures();
    host::PolymerSetup polymers;
    polymers.solidmerFlag = 1;
    polymers.polymers = {2};  // B
    host.SetPolymers(polymers);
    BXUT_SEPEFF(id.data(), &feed, &product, &status);
    const std::vector<std::string> with = Trimmed(host.ReportLines());
    EXPECT_EQ(std::count(with.begin(), with.end(), "   SEPARATION EFFICIENCY FOR SUBSTREAM MIXED"),
              1);
}

}  // namespace
}  // namespace brixel::testing
