// BXUT_ADJPSD and BXUT_ADJPSD_MIX called as a host model calls them: the method read through
// the index table, the status, the outcome word and the messages of bad input.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/exports/growth_exports.h"
#include "brixel/framework/records.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/models/growth/adjust_size_constant_number.h"
#include "host/substitute_host.h"
#include "support/psd_feed_fixture.h"

namespace brixel::testing {
namespace {

constexpr int64_t IM = host::kIntegerMissing;

class AdjustPsdTest : public PsdFeedTest {
  protected:
    // Calls BXUT_ADJPSD with the method at position 2 of the integer array.
    int64_t Call(int64_t method, int64_t inlet, int64_t out) {
        block = &host.AddBlock("ADJPSD", {inlet}, {out});
        block->intParameters = {0, 0, method, 0};
        block->realParameters = {0.0};
        int64_t result = 99;
        BXUT_ADJPSD(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                    block->realParameters.data(), &inlet, &out, index.data(), nullptr, &result);
        return result;
    }
    int64_t Outcome() const { return block->statusBlock[records::kStatusOutcome]; }

    // The outlet PSD the class gives for the same streams.
    std::vector<double> ClassResult(int method, int64_t inlet, double outletSolids) {
        const int64_t out = Feed(outletSolids);
        CDistributionChanger unit;
        host::Block& own = host.AddBlock("OWN", {inlet}, {out});
        int64_t one = 1;
        unit.SetStreamBeads(&one, own.inlets.data(), &one, own.outlets.data());
        CAdjustSizeConstantNumber growth(&unit);
        growth.SetMethod(method, 0);
        EXPECT_EQ(growth.AdjustSize(static_cast<int>(inlet), static_cast<int>(out)), 0);
        return Psd(out);
    }

    std::array<int64_t, 12> index{2, IM, IM, IM, IM, IM, IM, IM, IM, IM, IM, IM};
    host::Block* block = nullptr;
};

TEST_F(AdjustPsdTest, GrowthThroughTheEntryPointMatchesTheClass) {
    const int64_t feed = Feed(0.5);
    const int64_t outlet = Feed(0.55);
    EXPECT_EQ(Call(2, feed, outlet), 1);  // the top class overhangs: a warning
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
    EXPECT_EQ(Psd(outlet), ClassResult(2, feed, 0.55));
    EXPECT_NE(Psd(outlet), kFeedPsd);
    EXPECT_EQ(Psd(feed), kFeedPsd);

    // With the top class empty, a little growth by mass share stays inside the mesh: status 0.
    const std::vector<double> inside = {0.3, 0.25, 0.2, 0.15, 0.1, 0.0};
    const int64_t small = Feed(0.5, inside);
    const int64_t quiet = Feed(0.51, inside);
    host.ClearCaptures();
    EXPECT_EQ(Call(5, small, quiet), 0);
    EXPECT_EQ(Outcome(), records::kOutcomePreset);
    EXPECT_TRUE(host.PrintedLines().empty());
    EXPECT_GT(Psd(quiet).back(), 0.0);  // grown into the empty top class
    EXPECT_LT(Psd(quiet)[0], inside[0]);
}

TEST_F(AdjustPsdTest, MixedInletsGrowAsTheirCombinedSolids) {
    // The solids of the inlets are combined: 0.25 + 0.25 and 0.1 + 0.4 kmol/s of silica with
    // the same PSD are the same inlet and grow alike; each inlet stays as it was.
    const auto mixed = [&](double first, double second) {
        const std::array<int64_t, 2> inlets = {Feed(first), Feed(second)};
        const int64_t out = Feed(0.6);
        block = &host.AddBlock("ADJPSD", {inlets[0], inlets[1]}, {out});
        block->intParameters = {0, 0, 2, 0};
        block->realParameters = {0.0};
        const int64_t count = 2;
        int64_t result = 99;
        BXUT_ADJPSD_MIX(block->statusBlock.data(), block->methodSet.data(),
                        block->intParameters.data(), block->realParameters.data(), &count,
                        inlets.data(), &out, index.data(), nullptr, &result);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Psd(inlets[0]), kFeedPsd);
        EXPECT_EQ(Flows(inlets[1], 0), (std::vector<double>{1.0, 0.0, 0.0}));
        return Psd(out);
    };
    const std::vector<double> even = mixed(0.25, 0.25);
    const std::vector<double> uneven = mixed(0.1, 0.4);
    ASSERT_EQ(even.size(), uneven.size());
    for (std::size_t j = 0; j < even.size(); ++j) {
        EXPECT_NEAR(even[j], uneven[j], 1e-12) << j;
    }
    EXPECT_NE(even, kFeedPsd);
    // 0.6 kmol/s out of 0.1 in would need far larger particles: the combination matters.
    EXPECT_NE(even, ClassResult(2, Feed(0.1), 0.6));
}

TEST_F(AdjustPsdTest, BadInputGivesStatusTwoAndTheFallbackOutcome) {
    const int64_t feed = Feed(0.5);
    const int64_t outlet = Feed(0.55);
    const std::vector<double> before = Vector(outlet);
    EXPECT_EQ(Call(9, feed, outlet), 2);
    EXPECT_EQ(Outcome(), records::kOutcomeFallback);
    EXPECT_EQ(Vector(outlet), before);
    ASSERT_EQ(host.PrintedLines().size(), 2u);
    EXPECT_EQ(host.PrintedLines()[0], "      INVALID GROWTH METHOD SELECTED!");
    EXPECT_EQ(host.PrintedLines()[1], "      PSD ADJUSTMENT CALCULATIONS FAILED.");
    EXPECT_EQ(host.LevelChecks()[1].tag, "ADJPSD");
    EXPECT_EQ(host.LevelChecks()[1].code, 2);

    host.ClearCaptures();
    block->intParameters[2] = 1;
    int64_t none = 0;
    int64_t result = 99;
    BXUT_ADJPSD(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                block->realParameters.data(), &none, &outlet, index.data(), nullptr, &result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(host.PrintedLines(), (std::vector<std::string>{"      INVALID BEAD NUMBER."}));
    EXPECT_EQ(host.LevelChecks().back().code, 1);
    EXPECT_EQ(Vector(outlet), before);

    // A stream number that names no stream: the growth model refuses it.
    host.ClearCaptures();
    int64_t nowhere = 1999999;
    BXUT_ADJPSD(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                block->realParameters.data(), &feed, &nowhere, index.data(), nullptr, &result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(host.PrintedLines()[0], "      INVALID BEAD NUMBER!");
}

TEST_F(AdjustPsdTest, AMethodPositionBeforeTheArrayIsAnInvalidMethod) {
    const int64_t feed = Feed(0.5);
    const int64_t outlet = Feed(0.55);
    const std::vector<double> before = Vector(outlet);
    index[0] = -1;
    EXPECT_EQ(Call(1, feed, outlet), 2);
    EXPECT_EQ(Vector(outlet), before);
    ASSERT_FALSE(host.PrintedLines().empty());
    EXPECT_EQ(host.PrintedLines()[0], "      INVALID GROWTH METHOD SELECTED!");
}

TEST_F(AdjustPsdTest, NullArgumentsAreRefusedWithStatusTwo) {
    const int64_t feed = Feed(0.5);
    const int64_t outlet = Feed(0.55);
    const std::vector<double> before = Vector(outlet);
    block = &host.AddBlock("ADJPSD", {feed}, {outlet});
    block->intParameters = {0, 0, 1};
    int64_t result = 99;
    BXUT_ADJPSD(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                nullptr, &feed, &outlet, index.data(), nullptr, &result);
    EXPECT_EQ(result, 2);
    BXUT_ADJPSD(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    const int64_t none = 0;
    double reals = 0.0;
    result = 99;
    BXUT_ADJPSD_MIX(block->statusBlock.data(), block->methodSet.data(), block->intParameters.data(),
                    &reals, &none, &feed, &outlet, index.data(), nullptr, &result);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(Vector(outlet), before);
}

}  // namespace
}  // namespace brixel::testing
