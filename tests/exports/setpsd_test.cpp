// BXUT_SETPSD and BXUT_SETPSD_MIX called as a host model calls them: parameter arrays read
// through the index table, results written through the result table, status and outcome.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "brixel/exports/distribution_exports.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "host/substitute_host.h"
#include "support/psd_feed_fixture.h"

namespace {

namespace host = brixel::host;
namespace records = brixel::records;
constexpr double M = host::kRealMissing;
constexpr int64_t IM = host::kIntegerMissing;
const std::vector<double>& kMesh = brixel::testing::PsdFeedTest::kPsdMesh;
const std::vector<double>& kFeedPsd = brixel::testing::PsdFeedTest::kFeedPsd;

double Rrsb(double x, double n, double d63) {
    return 1.0 - std::exp(-std::pow(x / d63, n));
}

// The host's parameter arrays of one block and its index and result tables.
struct Input {
    std::vector<int64_t> ints = std::vector<int64_t>(4, 0);
    std::vector<double> reals = std::vector<double>(4, 0.0);
    std::array<int64_t, 12> index{IM, IM, IM, IM, IM, IM, IM, IM, IM, IM, IM, IM};
    std::array<int64_t, 4> results{IM, IM, IM, IM};

    int64_t Reals(const std::vector<double>& values) {  // 1-based position
        reals.insert(reals.end(), values.begin(), values.end());
        return static_cast<int64_t>(reals.size() - values.size()) + 1;
    }
    int64_t Ints(const std::vector<int64_t>& values) {  // 1-based position
        ints.insert(ints.end(), values.begin(), values.end());
        return static_cast<int64_t>(ints.size() - values.size()) + 1;
    }
    int64_t Block(const std::vector<int64_t>& words) { return Ints(words) - 1; }  // 0-based
    // One set of distribution functions for all solids, one row per distribution.
    void Functions(std::vector<int64_t> types, std::vector<double> fractions,
                   std::vector<double> rrsbN, std::vector<double> d63) {
        const std::size_t n = types.size();
        const std::vector<double> none(n, M);
        const int64_t t = Ints(types), f = Reals(fractions), m = Reals(none), x = Reals(none),
                      r = Reals(rrsbN), s = Reals(none), d = Reals(d63), h = Reals(none),
                      l = Reals(none), g = Reals(none);
        index[0] = Block({0, t, f, m, x, r, s, d, h, l, g, static_cast<int64_t>(n)});
    }
};

class SetPsdTest : public brixel::testing::PsdFeedTest {
  protected:
    void SetUp() override {
        PsdFeedTest::SetUp();
        feed = Feed(0.5);
        outlet = Feed(0.5);
    }

    int64_t Call(Input& in, int64_t estimate = 0) {
        block = &host.AddBlock("SETPSD", {feed}, {outlet});
        block->intParameters = in.ints;
        block->realParameters = in.reals;
        int64_t result = 99;
        BXUT_SETPSD(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                    block->realParameters.data(), &feed, &outlet, in.index.data(),
                    in.results.data(), &result, &estimate);
        return result;
    }

    host::Block* block = nullptr;
    int64_t feed = 0;
    int64_t outlet = 0;
};

TEST_F(SetPsdTest, IndexTablesGiveTheSameOutletAsTheClassApi) {
    Input in;
    in.Functions({2, 2}, {0.4, 0.6}, {1.4, 3.0}, {3e-5, 1e-4});
    const int64_t results = static_cast<int64_t>(in.reals.size());
    in.reals.resize(in.reals.size() + 4, -1.0);
    in.results = {results, results + 1, results + 2, results + 3};
    ASSERT_EQ(Call(in), 0);
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomePreset);

    // The same through the classes, on a second copy of the feed.
    const int64_t second = Feed(0.5);
    CDistributionChanger unit;
    int64_t one = 1;
    int64_t beads[2] = {feed, second};
    unit.SetStreamBeads(&one, &beads[0], &one, &beads[1]);
    unit.SetNBOPST(block->methodSet.data());
    CSetDistributedProperty& element = unit.AddElement();
    element.SetDistrFuncData(0, 2, M, 3e-5, M, M, M, 1.4, M, M, 0.4);
    element.SetDistrFuncData(1, 2, M, 1e-4, M, M, M, 3.0, M, M, 0.6);
    ASSERT_EQ(unit.Run(0), 0);
    EXPECT_EQ(Vector(outlet), Vector(second));

    // Independent target: the two normalized RRSB curves, weighted.
    const auto fractions = [](double n, double d63, std::size_t k) {
        const double low = k == 0 ? 0.0 : Rrsb(kMesh[k], n, d63);
        return (Rrsb(kMesh[k + 1], n, d63) - low) / Rrsb(kMesh.back(), n, d63);
    };
    const auto psd = Psd(outlet);
    for (std::size_t k = 0; k < psd.size(); ++k) {
        EXPECT_NEAR(psd[k], 0.4 * fractions(1.4, 3e-5, k) + 0.6 * fractions(3.0, 1e-4, k), 1e-12);
    }
    // Results: what the unit reads from the same streams.
    const auto parameter = [&](const char* port, const char* name) {
        double value = 0.0;
        EXPECT_EQ(unit.GetDistributionParameter(CString(port), CComBSTR("PSD"), CComBSTR(name),
                                                &value, nullptr, nullptr),
                  0);
        return value;
    };
    const double* written = block->realParameters.data() + results;
    EXPECT_EQ(written[0], parameter("INLET", "Sauter"));
    EXPECT_EQ(written[1], parameter("OUTLET", "Sauter"));
    EXPECT_EQ(written[2], parameter("INLET", "median"));
    EXPECT_EQ(written[3], parameter("OUTLET", "median"));
    EXPECT_NE(written[1], written[0]);
}

TEST_F(SetPsdTest, FreeTableWithBypass) {
    Input in;
    const int64_t lower = in.Reals({0.0});
    const int64_t upper = in.Reals({2e-5, 8e-5, 3.2e-4});
    const int64_t weights = in.Reals({0.5, 0.3, 0.2});
    in.index[2] = in.Block({0, lower, upper, weights, 3});
    in.index[6] = static_cast<int64_t>(in.reals.size());
    in.reals.push_back(0.25);
    in.index[7] = static_cast<int64_t>(in.ints.size());
    in.ints.push_back(0);
    ASSERT_EQ(Call(in), 0);
    // Proportional shares: 20 of 60 um and 40 of 60 um of 0.3, 80 and 160 of 240 um of 0.2.
    const std::vector<double> target = {0.25, 0.25, 0.1, 0.2, 0.2 / 3.0, 0.4 / 3.0};
    const auto psd = Psd(outlet);
    for (std::size_t k = 0; k < psd.size(); ++k) {
        EXPECT_NEAR(psd[k], 0.25 * kFeedPsd[k] + 0.75 * target[k], 1e-12) << k;
    }
    const double* solids = host.StreamVector(outlet) + host.SubstreamOffset(outlet, 1);
    EXPECT_NEAR(solids[2], 0.5, 1e-12);
}

TEST_F(SetPsdTest, TableOnAHostMeshIsCopied) {
    Input in;
    const std::vector<double> weights = {0.1, 0.2, 0.3, 0.2, 0.1, 0.1};
    in.index[1] = in.Block({host.PsdMeshBead(feed, 1), 6, in.Reals(weights)});
    ASSERT_EQ(Call(in), 0);
    EXPECT_EQ(Psd(outlet), weights);
}

TEST_F(SetPsdTest, ValidationErrorsLeaveTheOutletAndSetTheOutcome) {
    Input in;
    in.Functions({2}, {1.0}, {1.4}, {M});  // no D63, nothing to derive it from
    const std::vector<double> before = Vector(outlet);
    EXPECT_EQ(Call(in), 2);
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomeFallbackValidation);
}

TEST_F(SetPsdTest, EstimateOffTheMeshFallsBackToTheInletPsd) {
    Input in;
    in.Functions({2}, {1.0}, {10.0}, {1.0});
    outlet = Feed(0.5);
    EXPECT_EQ(Call(in, 1), 2);
    EXPECT_EQ(Psd(outlet), kFeedPsd);
    EXPECT_EQ(block->statusBlock[records::kStatusOutcome], records::kOutcomeFallback);
    EXPECT_EQ(host.PrintedLines().back().substr(0, 35), "      ESTIMATED PSD INPUT NOT USED.");
}

TEST_F(SetPsdTest, NullArgumentsAreRefusedWithStatusTwo) {
    Input in;
    in.Functions({2}, {1.0}, {1.4}, {3e-5});
    block = &host.AddBlock("SETPSD", {feed}, {outlet});
    int64_t result = 99;
    int64_t estimate = 0;
    const std::vector<double> before = Vector(outlet);
    BXUT_SETPSD(block->statusBlock.data(), block->methodSet.data(), in.ints.data(), in.reals.data(),
                &feed, &outlet, nullptr, nullptr, &result, &estimate);
    EXPECT_EQ(result, 2);
    BXUT_SETPSD(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &result,
                nullptr);
    EXPECT_EQ(result, 2);
    BXUT_SETPSD(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                nullptr);
    const int64_t none = 0;
    BXUT_SETPSD_MIX(block->statusBlock.data(), block->methodSet.data(), in.ints.data(),
                    in.reals.data(), &none, &feed, &outlet, in.index.data(), nullptr, &result,
                    &estimate);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(Vector(outlet), before);
}

TEST_F(SetPsdTest, MixedInletsGiveTheTarget) {
    Input in;
    in.Functions({2}, {1.0}, {1.4}, {3e-5});
    const int64_t second = Feed(0.25);
    block = &host.AddBlock("SETPSD", {feed, second}, {outlet});
    block->intParameters = in.ints;
    block->realParameters = in.reals;
    const int64_t count = 2;
    const int64_t inlets[2] = {feed, second};
    int64_t result = 99;
    const int64_t estimate = 0;
    BXUT_SETPSD_MIX(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                    block->realParameters.data(), &count, inlets, &outlet, in.index.data(),
                    in.results.data(), &result, &estimate);
    EXPECT_EQ(result, 0);
    const auto psd = Psd(outlet);
    EXPECT_NEAR(psd[0], Rrsb(1e-5, 1.4, 3e-5) / Rrsb(3.2e-4, 1.4, 3e-5), 1e-12);
    // The inlets are not touched and the unit's internal copies are released.
    EXPECT_EQ(Psd(second), kFeedPsd);
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(SetPsdTest, FunctionsPerSubstream) {
    const auto stream = [&] { return TwoSolidFeed(kMesh, 6.0, kFeedPsd, 6.0, kFeedPsd); };
    feed = stream();
    outlet = stream();
    Input in;
    // One row, a column per substream (MIXED first, without a PSD); no fractions: weight 1.
    const std::vector<double> none = {M, M, M};
    const int64_t t = in.Ints({0, 2, 2}), f = in.Reals(none), m = in.Reals(none),
                  x = in.Reals(none), r = in.Reals({M, 1.4, 3.0}), st = in.Reals(none),
                  d = in.Reals({M, 3e-5, 1e-4}), h = in.Reals(none), l = in.Reals(none),
                  g = in.Reals(none);
    in.index[3] = in.Block({3, 0, t, f, m, x, r, st, d, h, l, g, 1});
    ASSERT_EQ(Call(in), 0);
    const auto psdOf = [&](int s) { return Psd(outlet, s); };
    EXPECT_NEAR(psdOf(1)[0], Rrsb(1e-5, 1.4, 3e-5) / Rrsb(3.2e-4, 1.4, 3e-5), 1e-12);
    EXPECT_NEAR(psdOf(2)[0], Rrsb(1e-5, 3.0, 1e-4) / Rrsb(3.2e-4, 3.0, 1e-4), 1e-12);
}

TEST_F(SetPsdTest, TablesPerSubstreamWithTheirOwnBypass) {
    feed = TwoSolidFeed(kMesh, 6.0, kFeedPsd, 6.0, kFeedPsd);
    outlet = TwoSolidFeed(kMesh, 6.0, kFeedPsd, 6.0, kFeedPsd);
    Input in;
    // Row 0: substream 3 (CI2, 1-based) on its own mesh, all mass in the first interval,
    // bypass 0.5; row 1: substream 2 (CI1) bypasses entirely.
    const std::vector<double> weights = {1.0, 0, 0, 0, 0, 0};
    const int64_t substreams = in.Ints({3, 2});
    const int64_t meshes = in.Ints({host.PsdMeshBead(feed, 2), host.PsdMeshBead(feed, 1)});
    const int64_t pairs = in.Ints({6, in.Reals(weights), 6, in.Reals(weights)});
    const int64_t bypass = in.Reals({0.5, 1.0});
    in.index[4] = in.Block({0, substreams, meshes, pairs, bypass, 2});
    ASSERT_EQ(Call(in), 0);
    const auto kept = Psd(outlet, 1);
    const auto mixed = Psd(outlet, 2);
    for (std::size_t k = 0; k < kFeedPsd.size(); ++k) {
        EXPECT_NEAR(kept[k], kFeedPsd[k], 1e-15) << k;
        EXPECT_NEAR(mixed[k], 0.5 * kFeedPsd[k] + 0.5 * weights[k], 1e-12) << k;
    }
}

}  // namespace
