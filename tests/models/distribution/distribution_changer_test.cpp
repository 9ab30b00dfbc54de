// The DISPRP model on streams: target PSD written into the outlet with and without the
// movement matrix, bypass, validation texts and the unit's fallback to the inlet's PSD.
#include "brixel/models/distribution/distribution_changer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "models/distribution/distribution_fixture.h"
#include "support/psd_feed_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

namespace sv = stream_vector;
constexpr double M = kMissing;
const std::vector<double>& kMesh = PsdFeedTest::kPsdMesh;
const std::vector<double>& kFeedPsd = PsdFeedTest::kFeedPsd;

// Normalized RRSB interval fractions on kMesh, computed here.
std::vector<double> RrsbFractions(double n, double d63) {
    std::vector<double> q;
    const double top = Rrsb(kMesh.back(), n, d63);
    for (std::size_t k = 0; k + 1 < kMesh.size(); ++k) {
        q.push_back((Rrsb(kMesh[k + 1], n, d63) - (k == 0 ? 0.0 : Rrsb(kMesh[k], n, d63))) / top);
    }
    return q;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                double tolerance = 1e-12) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << k;
    }
}

class ChangerTest : public PsdFeedTest {
  protected:
    void SetUp() override {
        PsdFeedTest::SetUp();
        feed = Feed(0.5);
        outlet = Feed(0.5);
        Bind();
    }

    void Bind() {
        unit = std::make_unique<CDistributionChanger>();
        block = &host.AddBlock("DISPRP", {feed}, {outlet});
        one = 1;
        unit->SetStreamBeads(&one, block->inlets.data(), &one, block->outlets.data());
        int64_t unused = 0;
        unit->SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit->SetNBOPST(block->methodSet.data());
    }

    CSetDistributedProperty& Rrsb(double n, double d63) {
        CSetDistributedProperty& element = unit->AddElement();
        element.SetDistrFuncData(0, 2, M, d63, M, M, M, n, M, M, 1.0);
        return element;
    }

    int64_t feed = 0;
    int64_t outlet = 0;
    int64_t one = 1;
    host::Block* block = nullptr;
    std::unique_ptr<CDistributionChanger> unit;
};

TEST_F(ChangerTest, WritesTheTargetPsdAndKeepsEveryFlow) {
    for (const bool matrix : {true, false}) {
        Bind();
        CSetDistributedProperty& element = Rrsb(1.4, 3e-5);
        element.SetUseMovementMatrix(matrix);
        const std::vector<double> mixedBefore = Flows(outlet, 0);
        const std::vector<double> solidBefore = Flows(outlet, 1);
        int status = -1;
        ASSERT_EQ(element.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet),
                                                  0, &status),
                  0);
        EXPECT_EQ(status, 0);
        ExpectNear(Psd(outlet), RrsbFractions(1.4, 3e-5));
        for (int s = 0; s < 2; ++s) {
            const auto before = s == 0 ? mixedBefore : solidBefore;
            const auto after = Flows(outlet, s);
            for (std::size_t c = 0; c < 3; ++c) {
                EXPECT_NEAR(after[c], before[c], 1e-12 * std::fabs(before[c])) << matrix;
            }
        }
        outlet = Feed(0.5, kFeedPsd);
    }
}

TEST_F(ChangerTest, BypassMixesTheUnchangedFeedBack) {
    CSetDistributedProperty& element = Rrsb(1.4, 3e-5);
    element.SetBypass(0.3);
    ASSERT_EQ(element.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet), 0,
                                              nullptr),
              0);
    const auto target = RrsbFractions(1.4, 3e-5);
    std::vector<double> expected;
    for (std::size_t k = 0; k < target.size(); ++k) {
        expected.push_back(0.3 * kFeedPsd[k] + 0.7 * target[k]);
    }
    ExpectNear(Psd(outlet), expected);
    const auto flows = Flows(outlet, 1);
    EXPECT_NEAR(flows[2], 0.5, 1e-12);
    EXPECT_NEAR(Flows(outlet, 0)[0], 1.0, 1e-12);
    EXPECT_EQ(unit->GetInternalStreams().size(), 0u);  // the bypass stream was released
}

TEST_F(ChangerTest, FullBypassCopiesTheSourceAndEvaluatesNothing) {
    const int64_t other = Feed(0.2, {1.0, 0, 0, 0, 0, 0});
    CSetDistributedProperty& element = unit->AddElement();
    element.SetDistrFuncData(0, 2, M, 1.0, M, M, M, 1.0, M, M, 1.0);  // would miss the mesh
    element.SetBypass(1.0);
    ASSERT_EQ(element.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet),
                                              static_cast<int>(other), nullptr),
              0);
    EXPECT_TRUE(BitwiseEqual(Vector(outlet), Vector(other)));
    EXPECT_TRUE(host.PrintedLines().empty());
}

TEST_F(ChangerTest, TargetEqualToTheInletIsTheIdentity) {
    CSetDistributedProperty& element = unit->AddElement();
    element.SetTabularData(6, &kMesh[0], &kMesh[1], kFeedPsd.data());
    ASSERT_EQ(element.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet), 0,
                                              nullptr),
              0);
    ExpectNear(Psd(outlet), kFeedPsd, 1e-15);
}

TEST_F(ChangerTest, MovementMatrixMovesEachSubstreamsClassesWithTheMass) {
    // Two solid substreams of 1 and 3 kg/s: together (0.3, 0.3, 0.4) of 4 kg/s.
    const std::vector<double> mesh = {0.0, 1e-5, 2e-5, 4e-5};
    const auto stream = [&] {
        return TwoSolidFeed(mesh, 1.0, {0.6, 0.3, 0.1}, 3.0, {0.2, 0.3, 0.5});
    };
    const int64_t inlet = stream();
    const int64_t out = stream();
    const std::vector<double> target = {0.1, 0.5, 0.4};
    double lower = 0.0;
    const std::vector<double> upper = {1e-5, 2e-5, 4e-5};
    CSetDistributedProperty& element = unit->AddElement();
    element.SetTabularData(3, &lower, upper.data(), target.data());
    ASSERT_EQ(
        element.SetDistributionInStream(static_cast<int>(inlet), static_cast<int>(out), 0, nullptr),
        0);
    // Class 0 loses 2/3 of its mass in every substream, all of it to class 1; class 2 keeps.
    const auto psdOf = [&](int s) {
        const double* v =
            host.StreamVector(out) + host.SubstreamOffset(out, s) + 3 + sv::kStateWords;
        return std::vector<double>{v, v + 3};
    };
    ExpectNear(psdOf(1), {0.6 / 3.0, 0.3 + 0.4, 0.1});
    ExpectNear(psdOf(2), {0.2 / 3.0, 0.3 + 0.2 * 2.0 / 3.0, 0.5});
    std::vector<double> mass(3);
    for (std::size_t k = 0; k < 3; ++k) {
        mass[k] = 1.0 * psdOf(1)[k] + 3.0 * psdOf(2)[k];
    }
    ExpectNear({mass[0] / 4.0, mass[1] / 4.0, mass[2] / 4.0}, target);
}

TEST_F(ChangerTest, ValidationTextsInOrder) {
    CSetDistributedProperty& element = unit->AddElement();
    element.SetPropertyName("SIZE");
    element.SetBypass(1.5);
    element.SetDistrFuncData(0, 2, M, M, M, M, M, -1.0, M, M, 0.5);
    element.SetDistrFuncData(1, 1, M, M, -2e-5, M, 0.0, M, M, M, 1.2);
    element.SetDistrFuncData(2, 3, M, M, M, M, M, M, M, 0.0, 0.5);
    element.SetDistrFuncData(3, 4, -1e-5, M, M, M, M, M, 0.0, M, M);
    unit->ValidateData();
    EXPECT_TRUE(unit->HasValidationErrors());
    EXPECT_EQ(Trimmed(host.PrintedLines()),
              Lines({"DISTRIBUTION PROPERTY IS NOT 'PSD'",
                     "THE VALUE FOR BYPASS (1.5) MUST BE BETWEEN 0 AND 1.",
                     "BLOCK BYPASSED.",
                     "D63 FOR THE RRSB DISTRIBUTION 1 IS NOT SET OR COULD NOT BE CALCULATED",
                     "BASED ON GIVEN INPUT.",
                     "DISPERSION PARAMETER FOR THE RRSB DISTRIBUTION 1 MUST BE GREATER THAN 0.",
                     "BLOCK BYPASSED.",
                     "XMAX FOR THE GGS DISTRIBUTION 2 MUST BE GREATER THAN 0. BLOCK BYPASSED",
                     "THE STEEPNESS OF THE GGS DISTRIBUTION 2 MUST BE GREATER THAN 0.",
                     "BLOCK BYPASSED.",
                     "THE FRACTION OF DISTRIBUTION 2 (1.2) MUST BE BETWEEN 0 AND 1.",
                     "BLOCK BYPASSED.",
                     "D50 FOR THE LOG NOMRMAL DISTRIBUTION 3 IS NOT SET OR COULD NOT BE",
                     "CALCULATED",
                     "BASED ON GIVEN INPUT.",
                     "GEOMETRIC MEAN DEVIATION OF LOG NORMAL DISTRIBUTION 3 MUST BE GREATER",
                     "THAN 0. BLOCK BYPASSED.",
                     "D50 FOR THE NORMAL DISTRIBUTION 4 MUST BE GREATER THAN 0. BLOCK BYPASSED",
                     "STANDARD DEVIATION OF THE NORMAL DISTRIBUTION 4 MUST BE GREATER THAN 0.",
                     "BLOCK BYPASSED.",
                     "SUM OF FRACTIONS SPECIFIED TO SUPERPOSE DISTRIBUTIONS (2.2) MUST BE 1.",
                     "BLOCK BYPASSED."}));
}

TEST_F(ChangerTest, FractionSumToleranceAndTheSingleDistribution) {
    CSetDistributedProperty& element = unit->AddElement();
    element.SetDistrFuncData(0, 2, M, 3e-5, M, M, M, 1.0, M, M, 0.5);
    element.SetDistrFuncData(1, 2, M, 5e-5, M, M, M, 2.0, M, M, 0.5000005);
    unit->ValidateData();
    EXPECT_FALSE(unit->HasValidationErrors());
    element.SetDistrFuncData(1, 2, M, 5e-5, M, M, M, 2.0, M, M, 0.51);
    unit->ValidateData();
    EXPECT_TRUE(unit->HasValidationErrors());
    EXPECT_EQ(host.LevelChecks().back().code, 28);

    // One distribution: its fraction is neither summed nor a weight.
    Bind();
    CSetDistributedProperty& single = unit->AddElement();
    single.SetDistrFuncData(0, 2, M, 3e-5, M, M, M, 1.4, M, M, 0.2);
    unit->ValidateData();
    EXPECT_FALSE(unit->HasValidationErrors());
    ASSERT_EQ(single.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet), 0,
                                             nullptr),
              0);
    ExpectNear(Psd(outlet), RrsbFractions(1.4, 3e-5));
}

TEST_F(ChangerTest, SuperposesWeightedDistributions) {
    CSetDistributedProperty& element = unit->AddElement();
    element.SetDistrFuncData(0, 2, M, 2e-5, M, M, M, 1.5, M, M, 0.25);
    element.SetDistrFuncData(1, 2, M, 1e-4, M, M, M, 3.0, M, M, 0.75);
    ASSERT_EQ(element.SetDistributionInStream(static_cast<int>(feed), static_cast<int>(outlet), 0,
                                              nullptr),
              0);
    const auto a = RrsbFractions(1.5, 2e-5);
    const auto b = RrsbFractions(3.0, 1e-4);
    std::vector<double> expected;
    for (std::size_t k = 0; k < a.size(); ++k) {
        expected.push_back(0.25 * a[k] + 0.75 * b[k]);
    }
    ExpectNear(Psd(outlet), expected);
}

TEST_F(ChangerTest, AFailingElementLeavesTheInletPsdInTheOutlet) {
    const int64_t changed = Feed(0.5, {0.5, 0.5, 0, 0, 0, 0});
    outlet = changed;
    Bind();
    CSetDistributedProperty& element = unit->AddElement();
    element.SetDistrFuncData(0, 2, M, 10.0, M, M, M, 10.0, M, M, 1.0);  // all mass above 0.3 mm
    EXPECT_EQ(unit->Run(1), 2);
    ExpectNear(Psd(outlet), kFeedPsd, 0.0);
    EXPECT_EQ(Trimmed(host.PrintedLines()),
              Lines({"CALCULATED ESTIMATED PSD DOES NOT FIT INTO THE DEFINED MESH.",
                     "CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT IS 0.0.",
                     "CHECK THE SPECIFIED DISTRIBUTION FUNCTION PARAMETER.",
                     "ESTIMATED PSD INPUT NOT USED."}));
}

TEST_F(ChangerTest, ValidationErrorsChangeNothing) {
    const std::vector<double> before = Vector(outlet);
    CSetDistributedProperty& element = unit->AddElement();
    element.SetDistrFuncData(0, 1, M, M, M, M, 1.0, M, M, M, 1.0);  // no Xmax
    EXPECT_EQ(unit->Run(0), 2);
    EXPECT_TRUE(BitwiseEqual(Vector(outlet), before));
}

TEST_F(ChangerTest, NormalizationWarningSetsTheOutcomeCode) {
    Rrsb(1.0, 3.2e-4);  // 1/e of the mass above the mesh
    EXPECT_EQ(unit->Run(0), 1);
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomeWarning);
}

}  // namespace
}  // namespace brixel::testing
