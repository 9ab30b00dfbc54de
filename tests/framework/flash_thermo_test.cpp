// A unit's flashes on real substances: caching, stored equilibria and the inlet flash of the
// calculation frame with the host's ideal thermodynamics.
#include <cstring>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "support/unit_fixture.h"

namespace brixel::testing {
namespace {

class ThermoFlashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nitrogen = host.AddDatabankComponent("N2");
        water = host.AddDatabankComponent("WATER");
        silica = host.AddDatabankComponent("SIO2");
        streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-5, 1e-4})}}});
    }

    // Humid nitrogen at 350 K with sand at 300 K: no enthalpy, two temperatures.
    int64_t Feed() {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState gas;
        gas.flows = {1.0, 0.02, 0.0};
        gas.temperature = 350.0;
        gas.pressure = 1e5;
        gas.vaporFraction = 1.0;
        gas.liquidFraction = 0.0;
        host.SetSubstream(bead, 0, gas);
        host::SubstreamState sand;
        sand.flows = {0.0, 0.0, 0.1};
        sand.temperature = 300.0;
        sand.pressure = 1e5;
        sand.vaporFraction = 0.0;
        sand.liquidFraction = 0.0;
        sand.psd = {0.4, 0.6};
        host.SetSubstream(bead, 1, sand);
        return bead;
    }

    host::Block& Bind(TestUnit& unit, std::vector<int64_t> inlets, std::vector<int64_t> outlets) {
        host::Block& block = host.AddBlock("B1", std::move(inlets), std::move(outlets));
        counts = {static_cast<int64_t>(block.inlets.size()),
                  static_cast<int64_t>(block.outlets.size())};
        unit.SetStreamBeads(&counts[0], block.inlets.data(), &counts[1], block.outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
        unit.NamePorts({});
        return block;
    }

    double Temperature(int64_t bead, int substream) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + 3 + 1];
    }

    host::SubstituteHost host;
    int64_t nitrogen = 0, water = 0, silica = 0, streamClass = 0;
    std::array<int64_t, 2> counts{};
};

TEST_F(ThermoFlashTest, FrameFlashesTheInletAndHandsItBackUnchanged) {
    const int64_t in = Feed();
    const int64_t length = host.VectorLength(in);
    const std::vector<double> before(host.StreamVector(in), host.StreamVector(in) + length);
    {
        TestUnit unit;
        Bind(unit, {in}, {host.AddStream(streamClass)});
        EXPECT_EQ(unit.Calculate(), kStatusOk);
        ASSERT_EQ(host.FlashCalls().size(), 1u);
        // One temperature between the gas's and the sand's after the PQ flash.
        EXPECT_EQ(Temperature(in, 0), Temperature(in, 1));
        EXPECT_GT(Temperature(in, 0), 300.0);
        EXPECT_LT(Temperature(in, 0), 350.0);
        EXPECT_NE(unit.GetFlashResults(static_cast<int>(in), false), nullptr);
    }
    EXPECT_EQ(std::memcmp(host.StreamVector(in), before.data(), sizeof(double) * before.size()), 0);
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(ThermoFlashTest, ResultsAreCachedAndCarriedAlong) {
    const int64_t in = Feed();
    const int64_t out = host.AddStream(streamClass);
    TestUnit unit;
    Bind(unit, {in}, {out});
    ASSERT_TRUE(unit.FlashStream(0, 2, 320.0, 1e5, 0.0, false));
    EXPECT_TRUE(unit.FlashStream(0, 2, 330.0, 1e5, 0.0, false));  // cached: not flashed again
    EXPECT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(Temperature(in, 0), 320.0);

    const CFlashBuffer* results = unit.GetFlashResults(static_cast<int>(in), false);
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(results->m_nComps, 2);  // nitrogen and water take part; silica does not
    EXPECT_EQ(results->m_naHostComps, (std::vector<int64_t>{nitrogen, water}));
    EXPECT_EQ(results->m_naComps, (std::vector<int64_t>{nitrogen - 1, water - 1}));
    EXPECT_NEAR(results->m_daB[0] + results->m_daB[1], 1.0, 1e-12);

    unit.CopyStream(0, 1);
    const CFlashBuffer* copied = unit.GetFlashResults(static_cast<int>(out), false);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->m_nBead, out);
    EXPECT_EQ(copied->m_daB, results->m_daB);
    unit.RemoveFlashResults(static_cast<int>(out));
    EXPECT_EQ(unit.GetFlashResults(static_cast<int>(out), false), nullptr);
}

TEST_F(ThermoFlashTest, OutletEquilibriumIsStoredAndServesTheNextUnitsInlet) {
    const int64_t in = Feed();
    const int64_t out = host.AddStream(streamClass);
    {
        TestUnit unit;
        Bind(unit, {in}, {out});
        unit.CopyStream(0, 1);
        ASSERT_TRUE(unit.FlashStream(1, 1, 0.0, 0.0, host::kRealMissing, true));
        EXPECT_EQ(host.StoredEquilibria(), std::vector<int64_t>{out});
        unit.TPFlashOutlets();  // at its own temperature and pressure
        EXPECT_EQ(host.FlashCalls().size(), 2u);
        EXPECT_EQ(host.FlashCalls()[1].kode, 2);
        EXPECT_EQ(host.FlashCalls()[1].spec1, Temperature(out, 0));
    }
    TestUnit next;
    Bind(next, {out}, {host.AddStream(streamClass)});
    const CFlashBuffer* stored = next.GetFlashResults(static_cast<int>(out), false);
    ASSERT_NE(stored, nullptr);  // from the host, without a flash
    EXPECT_EQ(stored->m_nComps, 2);
    EXPECT_EQ(host.FlashCalls().size(), 2u);
}

TEST_F(ThermoFlashTest, RecalculationFlashesAStreamWithoutResults) {
    const int64_t in = Feed();
    TestUnit unit;
    Bind(unit, {in}, {host.AddStream(streamClass)});
    int count = 0;
    int64_t* components = nullptr;
    int64_t* hostComponents = nullptr;
    double* x = nullptr;
    double* y = nullptr;
    double beta = 0.0;
    int kind = -1;
    unit.GetFlashResults(static_cast<int>(in), count, components, hostComponents, x, y, nullptr,
                         nullptr, &beta, &kind, true, true);
    EXPECT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(host.FlashCalls()[0].kode, 1);
    EXPECT_EQ(count, 2);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(beta, 1.0);  // one liquid phase
    EXPECT_EQ(kind, 0);    // no solidmers: nothing to adjust
}

}  // namespace
}  // namespace brixel::testing
