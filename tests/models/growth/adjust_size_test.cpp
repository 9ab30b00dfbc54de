// CAdjustSizeConstantNumber on host streams: the outlet's PSD moved by the growth law, its
// solids mass kept, and the messages of bad input and failed searches.
#include "brixel/models/growth/adjust_size_constant_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "models/distribution/distribution_fixture.h"
#include "models/growth/growth_fixture.h"
#include "support/psd_feed_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

using growth_check::Bisect;
using growth_check::LawMassChange;
using growth_check::Mapped;
using growth_check::Mean;
using growth_check::Particles;
using growth_check::Sum;

constexpr double kDensity = 2650.0;  // kg/m3, the fixture's silica

// Opens the iteration limit of the increment search to tests.
class LimitedGrowth : public CAdjustSizeConstantNumber {
  public:
    LimitedGrowth(CBrixelBaseUnit* owner, int64_t iterations) : CAdjustSizeConstantNumber(owner) {
        m_nIncrementIterations = iterations;
    }
};

class AdjustSizeTest : public PsdFeedTest {
  protected:
    // A unit on a block with the feed as inlet and an outlet carrying `outletSolids` kmol/s.
    void Bind(double feedSolids, double outletSolids, const std::vector<double>& psd = kFeedPsd) {
        feed = Feed(feedSolids, psd);
        outlet = Feed(outletSolids, psd);
        unit = std::make_unique<CDistributionChanger>();
        block = &host.AddBlock("ADJPSD", {feed}, {outlet});
        unit->SetStreamBeads(&one, block->inlets.data(), &one, block->outlets.data());
        int64_t unused = 0;
        unit->SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        before = Vector(outlet);
    }

    long Adjust(int method) {
        CAdjustSizeConstantNumber growth(unit.get());
        growth.SetMethod(method, 0);
        const long status = growth.AdjustSize(static_cast<int>(feed), static_cast<int>(outlet));
        results = growth.GetSubstreamResults();
        return status;
    }

    std::vector<std::string> Printed() const { return Trimmed(host.PrintedLines()); }
    // The printed lines joined by blanks, for texts that wrap.
    std::string PrintedText() const {
        std::string text;
        for (const std::string& line : Printed()) {
            text += (text.empty() ? "" : " ") + line.substr(line.find_first_not_of(' '));
        }
        return text;
    }
    std::vector<int64_t> Codes() const {
        std::vector<int64_t> codes;
        for (const auto& call : host.LevelChecks()) {
            codes.push_back(call.code);
        }
        return codes;
    }
    std::vector<double> SolidFlows(int64_t bead) { return Flows(bead, 1); }
    // The outlet's silica flow (kmol/s) as the host's balance set it: the matrix may scale it
    // by its rounding (a few parts in 1e16), nothing more.
    void ExpectSilica(double expected) {
        const std::vector<double> flows = SolidFlows(outlet);
        EXPECT_EQ(flows[0], 0.0);
        EXPECT_EQ(flows[1], 0.0);
        EXPECT_NEAR(flows[2], expected, 1e-15 * expected);
    }
    int64_t Outcome() const { return block->statusBlock[records::kStatusOutcome]; }

    int64_t feed = 0;
    int64_t outlet = 0;
    int64_t one = 1;
    host::Block* block = nullptr;
    std::unique_ptr<CDistributionChanger> unit;
    std::vector<double> before;
    std::vector<brixel::growth::SubstreamGrowth> results;
};

TEST_F(AdjustSizeTest, TenPercentGrowthMovesEveryClassByOneIncrement) {
    Bind(0.5, 0.55);
    const double massIn = 0.5 * kSilicaWeight;
    const double massOut = 0.55 * kSilicaWeight;
    const double expected = Bisect(
        [&](double x) {
            return LawMassChange(kPsdMesh, kFeedPsd, massIn, kDensity, false, x) -
                   (massOut - massIn);
        },
        0.0, 1e-4);

    ASSERT_EQ(Adjust(1), kStatusOk);
    ASSERT_EQ(results.size(), 1u);
    const brixel::growth::SubstreamGrowth& r = results[0];
    EXPECT_EQ(r.substream, 1);
    EXPECT_TRUE(r.adjusted);
    EXPECT_NEAR(r.input.massIn, massIn, 1e-12 * massIn);
    EXPECT_NEAR(r.input.massOut, massOut, 1e-12 * massOut);
    EXPECT_EQ(r.input.densityIn, kDensity);
    EXPECT_NEAR(r.plan.increment, expected, 2e-4 * expected);
    for (std::size_t i = 0; i < kFeedPsd.size(); ++i) {
        const double n = Particles(massIn * kFeedPsd[i], Mean(kPsdMesh, i), kDensity);
        EXPECT_NEAR(Particles(r.plan.newMass[i], r.plan.newSize[i], kDensity) / n, 1.0, 1e-12);
    }
    EXPECT_NEAR(Sum(r.plan.newMass), massOut, 1e-4 * (massOut - massIn));

    // The outlet: solids flows as the host's balance set them, the PSD the matrix gives from
    // the inlet's.
    ExpectSilica(0.55);
    const std::vector<double> psd = Psd(outlet);
    const std::vector<double> mapped = Mapped(r.plan.matrix, kFeedPsd);
    for (std::size_t j = 0; j < psd.size(); ++j) {
        EXPECT_NEAR(psd[j], mapped[j], 1e-14) << j;
        EXPECT_GE(psd[j], 0.0);
    }
    EXPECT_NEAR(Sum(psd), 1.0, 1e-14);
    // Everything moved up: the finest class lost to the next one.
    EXPECT_LT(psd[0], kFeedPsd[0]);
    // The top class overhangs the mesh: one warning, number 4.
    EXPECT_EQ(Printed(), Lines({"SOME PARTICLES GROW ABOVE THE BIGGEST SIZE INTERVAL DEFINED."}));
    EXPECT_EQ(Codes(), (std::vector<int64_t>{4}));
    EXPECT_EQ(host.LevelChecks()[0].tag, "DLTGRWTH");
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
    EXPECT_TRUE(unit->HasWarnings());
    EXPECT_FALSE(unit->HasCalculationErrors());
    // The feed is not touched.
    EXPECT_EQ(Psd(feed), kFeedPsd);
}

TEST_F(AdjustSizeTest, EveryMethodKeepsTheOutletMassAndItsParticleNumbers) {
    for (int method = 1; method <= 7; ++method) {
        for (const double outletSolids : {0.6, 0.3}) {
            Bind(0.5, outletSolids);
            ASSERT_EQ(Adjust(method), kStatusOk) << method;
            ASSERT_EQ(results.size(), 1u);
            const brixel::growth::GrowthPlan& plan = results[0].plan;
            ASSERT_TRUE(plan.ok) << method << " " << outletSolids;
            ExpectSilica(outletSolids);
            const std::vector<double> psd = Psd(outlet);
            EXPECT_NEAR(Sum(psd), 1.0, 1e-13);
            for (const double q : psd) {
                EXPECT_GE(q, 0.0);
            }
            const double massIn = 0.5 * kSilicaWeight;
            const double massOut = outletSolids * kSilicaWeight;
            for (std::size_t i = 0; i < kFeedPsd.size(); ++i) {
                if (plan.newMass[i] <= 0.0) {
                    continue;  // dissolved
                }
                const double n = Particles(massIn * kFeedPsd[i], Mean(kPsdMesh, i), kDensity);
                EXPECT_NEAR(Particles(plan.newMass[i], plan.newSize[i], kDensity) / n, 1.0, 1e-12)
                    << method << " class " << i;
            }
            EXPECT_NEAR(Sum(plan.newMass), massOut, 1e-4 * std::fabs(massOut - massIn) + 1e-12)
                << method;
        }
    }
}

TEST_F(AdjustSizeTest, DissolutionWithTheVolumeLawRemovesTheFineClasses) {
    Bind(0.5, 0.1);  // 80 % dissolves
    ASSERT_EQ(Adjust(3), kStatusOk);
    const brixel::growth::GrowthPlan& plan = results[0].plan;
    const double massIn = 0.5 * kSilicaWeight;
    const double expected = Bisect(
        [&](double x) {
            return LawMassChange(kPsdMesh, kFeedPsd, massIn, kDensity, true, x) +
                   0.4 * kSilicaWeight;
        },
        -growth_check::kPi / 6.0 * std::pow(2.4e-4, 3), 0.0);
    EXPECT_NEAR(plan.increment, expected, 1e-3 * std::fabs(expected));
    EXPECT_EQ(plan.newMass[0], 0.0);  // the 5 um class cannot lose that much volume
    const std::vector<double> psd = Psd(outlet);
    EXPECT_EQ(psd[0], 0.0);
    for (const double q : psd) {
        EXPECT_GE(q, 0.0);
    }
    EXPECT_NEAR(Sum(psd), 1.0, 1e-13);
    ExpectSilica(0.1);
    EXPECT_FALSE(unit->HasCalculationErrors());
}

TEST_F(AdjustSizeTest, NoMassChangeLeavesTheOutletPsd) {
    Bind(0.5, 0.5);
    for (int method = 1; method <= 7; ++method) {
        ASSERT_EQ(Adjust(method), kStatusOk);
        EXPECT_EQ(results[0].plan.search.evaluations, 0);
        const std::vector<double> psd = Psd(outlet);
        for (std::size_t j = 0; j < psd.size(); ++j) {
            EXPECT_NEAR(psd[j], kFeedPsd[j], 1e-15) << method;
        }
    }
    EXPECT_TRUE(Printed().empty());
}

TEST_F(AdjustSizeTest, AnInvalidMethodIsRefusedAndChangesNothing) {
    Bind(0.5, 0.55);
    for (const int method : {8, 9, 1000}) {
        EXPECT_EQ(Adjust(method), kStatusFail);
    }
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(Printed(),
              Lines({"INVALID GROWTH METHOD SELECTED!", "INVALID GROWTH METHOD SELECTED!",
                     "INVALID GROWTH METHOD SELECTED!"}));
    EXPECT_EQ(Codes(), (std::vector<int64_t>{999, 999, 999}));
    EXPECT_TRUE(unit->HasCalculationErrors());
}

TEST_F(AdjustSizeTest, StreamsThatAreNotStreamsAreRefused) {
    Bind(0.5, 0.55);
    CAdjustSizeConstantNumber growth(unit.get());
    growth.SetMethod(1, 0);
    EXPECT_EQ(growth.AdjustSize(7, 8), kStatusFail);  // no such ports
    EXPECT_EQ(growth.AdjustSize(-1, 1), kStatusFail);
    EXPECT_EQ(growth.AdjustSize(1999999, static_cast<int>(outlet)), kStatusFail);  // no record
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(Codes(), (std::vector<int64_t>{999, 999, 999}));
    EXPECT_EQ(Printed()[0], Line("INVALID BEAD NUMBER!"));
    // Port numbers of the unit name its streams.
    EXPECT_EQ(growth.AdjustSize(0, 1), kStatusOk);
    EXPECT_NE(Psd(outlet), kFeedPsd);
}

TEST_F(AdjustSizeTest, PortNamesResolveToTheirStreams) {
    Bind(0.5, 0.55);
    CAdjustSizeConstantNumber growth(unit.get());
    growth.SetMethod(5, 0);
    EXPECT_EQ(growth.AdjustSize(CString("INLET"), CString("OUTLET")), kStatusOk);
    EXPECT_NE(Psd(outlet), kFeedPsd);
    EXPECT_EQ(growth.AdjustSize(CString("INLET"), CString("NOWHERE")), kStatusInvalidArgument);
    CAdjustSizeConstantNumber orphan(nullptr);
    EXPECT_EQ(orphan.AdjustSize(CString("INLET"), CString("OUTLET")), kStatusFail);
    EXPECT_EQ(orphan.AdjustSize(0, 1), kStatusFail);
}

TEST_F(AdjustSizeTest, SolidsOnlyAtTheOutletAreReportedAndSkipped) {
    Bind(0.0, 0.5);
    EXPECT_EQ(Adjust(7), kStatusOk);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(PrintedText(),
              "SOLID MASS ADDED TO SUBSTREAM CISOLID WHICH HAS NO SOLIDS FLOW AT INLET. PARTICLE "
              "GROWTH MODEL CANNOT BE CALCULATED. CALCULATION FOR SUBSTREAM CISOLID SKIPPED AND "
              "SOLIDS EVENLY DISTRIBUTED IN EACH INTERVAL.");
    EXPECT_EQ(Codes(), (std::vector<int64_t>{1}));
    EXPECT_EQ(host.LevelChecks()[0].tag, "EQUGRWTH");
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
}

TEST_F(AdjustSizeTest, NoSolidsAtTheOutletSkipsSilently) {
    Bind(0.5, 0.0);
    EXPECT_EQ(Adjust(1), kStatusOk);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(AdjustSizeTest, AMissingDensitySkipsTheSubstreamWithItsText) {
    Bind(0.5, 0.55);
    host::SubstreamState state;
    state.temperature = 300.0;
    state.pressure = 1e5;
    state.vaporFraction = 0.0;
    state.liquidFraction = 0.0;
    state.flows = {0.0, 0.0, 0.5};
    state.psd = kFeedPsd;
    host.SetSubstream(feed, 1, state);  // density not given
    EXPECT_EQ(Adjust(2), kStatusOk);
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(PrintedText(),
              "FAILED TO GET SOLID DENSITY AT INLET FOR SUBSTREAM CISOLID. CALCULATION FOR "
              "SUBSTREAM CISOLID SKIPPED.");
    EXPECT_EQ(Codes(), (std::vector<int64_t>{2}));
    EXPECT_TRUE(unit->HasCalculationErrors());
}

TEST_F(AdjustSizeTest, AFailedIncrementSearchKeepsThePsd) {
    Bind(0.5, 0.55);
    LimitedGrowth growth(unit.get(), 1);
    growth.SetMethod(1, 0);
    EXPECT_EQ(growth.AdjustSize(static_cast<int>(feed), static_cast<int>(outlet)), kStatusOk);
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_EQ(PrintedText(),
              "CALCULATION OF SIZE CHANGE FAILED FOR SUBSTREAM CISOLID. PSD REMAINS UNCHANGED FOR "
              "THIS SUBSTREAM.");
    EXPECT_EQ(Codes(), (std::vector<int64_t>{3}));
    ASSERT_EQ(growth.GetSubstreamResults().size(), 1u);
    EXPECT_FALSE(growth.GetSubstreamResults()[0].adjusted);
}

TEST_F(AdjustSizeTest, EachSubstreamGrowsByItsOwnMassChange) {
    // CI1 gains 20 %, CI2 keeps its mass: only CI1's PSD moves.
    feed = TwoSolidFeed(kPsdMesh, 10.0, kFeedPsd, 5.0, kFeedPsd);
    outlet = TwoSolidFeed(kPsdMesh, 12.0, kFeedPsd, 5.0, kFeedPsd);
    unit = std::make_unique<CDistributionChanger>();
    block = &host.AddBlock("ADJPSD", {feed}, {outlet});
    unit->SetStreamBeads(&one, block->inlets.data(), &one, block->outlets.data());
    const std::vector<double> second = Flows(outlet, 2);
    ASSERT_EQ(Adjust(4), kStatusOk);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].substream, 1);
    EXPECT_EQ(results[1].substream, 2);
    EXPECT_NEAR(results[0].input.massOut, 12.0, 1e-12);
    EXPECT_GT(results[0].plan.increment, 0.0);
    EXPECT_EQ(results[1].plan.increment, 0.0);
    const std::vector<double> moved = Psd(outlet, 1);
    const std::vector<double> mapped = Mapped(results[0].plan.matrix, kFeedPsd);
    for (std::size_t j = 0; j < kFeedPsd.size(); ++j) {
        EXPECT_NEAR(moved[j], mapped[j], 1e-14);
        EXPECT_NEAR(Psd(outlet, 2)[j], kFeedPsd[j], 1e-15);
    }
    EXPECT_NE(moved, kFeedPsd);
    EXPECT_EQ(Flows(outlet, 2), second);
    EXPECT_NEAR(Flows(outlet, 1)[2], 12.0 / kSilicaWeight, 1e-15 * 12.0 / kSilicaWeight);
}

TEST_F(AdjustSizeTest, SolidsInTheMixedSubstreamAreWhatTheOtherSubstreamsDoNotCarry) {
    // MIXED with N2 and silica, both substreams with a PSD: substream 0's solids are the
    // stream's solids less CISOLID's.
    const int64_t cls = host.AddStreamClass(
        "MIXPSD2", {{"MIXED", 1, {host::Psd(kPsdMesh)}}, {"CISOLID", 2, {host::Psd(kPsdMesh)}}});
    plex::SetupFromHost();
    const auto stream = [&](double mixedSolids, double solids) {
        const int64_t bead = host.AddStream(cls);
        host::SubstreamState state;
        state.temperature = 300.0;
        state.pressure = 1e5;
        state.vaporFraction = 1.0 / (1.0 + mixedSolids);
        state.liquidFraction = 0.0;
        state.flows = {1.0, 0.0, mixedSolids};
        state.psd = kFeedPsd;
        host.SetSubstream(bead, 0, state);
        state.vaporFraction = 0.0;
        state.density = kDensity;
        state.flows = {0.0, 0.0, solids};
        host.SetSubstream(bead, 1, state);
        return bead;
    };
    feed = stream(0.2, 0.5);
    outlet = stream(0.3, 0.5);
    unit = std::make_unique<CDistributionChanger>();
    block = &host.AddBlock("ADJPSD", {feed}, {outlet});
    unit->SetStreamBeads(&one, block->inlets.data(), &one, block->outlets.data());
    int64_t unused = 0;
    unit->SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
    unit->SetNBOPST(block->methodSet.data());
    ASSERT_EQ(Adjust(5), kStatusOk);
    // The top class of MIXED grows past the mesh; CISOLID does not change.
    EXPECT_EQ(Printed(), Lines({"SOME PARTICLES GROW ABOVE THE BIGGEST SIZE INTERVAL DEFINED."}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].substream, 0);
    EXPECT_NEAR(results[0].input.massIn, 0.2 * kSilicaWeight, 1e-9);
    EXPECT_NEAR(results[0].input.massOut, 0.3 * kSilicaWeight, 1e-9);
    EXPECT_GT(results[0].input.densityIn, 0.0);
    EXPECT_TRUE(results[0].adjusted);
    EXPECT_NEAR(results[1].input.massIn, 0.5 * kSilicaWeight, 1e-9);
    EXPECT_EQ(results[1].plan.increment, 0.0);
}

TEST_F(AdjustSizeTest, SubstreamsWithoutAPsdAreLeftAlone) {
    const int64_t plain = host.AddStreamClass("MIXCI", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}});
    plex::SetupFromHost();
    const auto stream = [&](double solids) {
        const int64_t bead = host.AddStream(plain);
        host::SubstreamState state;
        state.temperature = 300.0;
        state.pressure = 1e5;
        state.density = kDensity;
        state.flows = {0.0, 0.0, solids};
        host.SetSubstream(bead, 1, state);
        return bead;
    };
    feed = stream(0.5);
    outlet = stream(0.55);
    unit = std::make_unique<CDistributionChanger>();
    block = &host.AddBlock("ADJPSD", {feed}, {outlet});
    unit->SetStreamBeads(&one, block->inlets.data(), &one, block->outlets.data());
    before = Vector(outlet);
    EXPECT_EQ(Adjust(1), kStatusOk);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(Vector(outlet), before);
    EXPECT_TRUE(Printed().empty());
}

}  // namespace
}  // namespace brixel::testing
