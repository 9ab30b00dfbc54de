// A unit's flashes on real substances: caching, stored equilibria and the inlet flash of the
// calculation frame with the host's ideal thermodynamics.
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "support/thermo_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

class ThermoFlashTest : public ThermoTest {
  protected:
    // Humid nitrogen at 350 K with sand at 300 K: no enthalpy, two temperatures.
    int64_t Feed() { return Stream(Fluid({1.0, 0.02, 0.0}, 350.0, 1.0), Solid(0.1, 300.0)); }
    double Temperature(int64_t bead, int substream) {
        return State(bead, substream, stream_vector::kTemperature);
    }
};

TEST_F(ThermoFlashTest, FrameFlashesTheInletAndHandsItBackUnchanged) {
    const int64_t in = Feed();
    const std::vector<double> before = Vector(in);
    {
        TestUnit unit;
        Bind(unit, in, host.AddStream(streamClass));
        EXPECT_EQ(unit.Calculate(), kStatusOk);
        ASSERT_EQ(host.FlashCalls().size(), 1u);
        // One temperature between the gas's and the sand's after the PQ flash.
        EXPECT_EQ(Temperature(in, 0), Temperature(in, 1));
        EXPECT_GT(Temperature(in, 0), 300.0);
        EXPECT_LT(Temperature(in, 0), 350.0);
        EXPECT_NE(unit.GetFlashResults(static_cast<int>(in), false), nullptr);
    }
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(ThermoFlashTest, ResultsAreCachedAndCarriedAlong) {
    const int64_t in = Feed();
    const int64_t out = host.AddStream(streamClass);
    TestUnit unit;
    Bind(unit, in, out);
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
        Bind(unit, in, out);
        unit.CopyStream(0, 1);
        ASSERT_TRUE(unit.FlashStream(1, 1, 0.0, 0.0, host::kRealMissing, true));
        EXPECT_EQ(host.StoredEquilibria(), std::vector<int64_t>{out});
        unit.TPFlashOutlets();  // at its own temperature and pressure
        EXPECT_EQ(host.FlashCalls().size(), 2u);
        EXPECT_EQ(host.FlashCalls()[1].kode, 2);
        EXPECT_EQ(host.FlashCalls()[1].spec1, Temperature(out, 0));
    }
    TestUnit next;
    Bind(next, out, host.AddStream(streamClass));
    const CFlashBuffer* stored = next.GetFlashResults(static_cast<int>(out), false);
    ASSERT_NE(stored, nullptr);  // from the host, without a flash
    EXPECT_EQ(stored->m_nComps, 2);
    EXPECT_EQ(host.FlashCalls().size(), 2u);
}

TEST_F(ThermoFlashTest, RecalculationFlashesAStreamWithoutResults) {
    const int64_t in = Feed();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
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
