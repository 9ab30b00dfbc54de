#pragma once

// A separator on real substances (N2, WATER, SIO2, CACO3) bound to a block of the substitute
// host, shared by the separator's test files.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/models/separation/separation_base_unit.h"
#include "brixel/platform/bstr.h"
#include "support/unit_fixture.h"

namespace brixel::testing {

// Molecular weights (kg/kmol) of the databank substances.
inline constexpr double kNitrogenWeight = 28.014;
inline constexpr double kWaterWeight = 18.015;
inline constexpr double kSilicaWeight = 60.084;
inline constexpr double kCalciteWeight = 100.087;

inline constexpr const char* kSolidSplit = "mass fraction of solids to solid outlet";
inline constexpr const char* kVaporSplit = "mass fraction of vapor to vapor outlet";
inline constexpr const char* kVaporLoad = "vapor load of solid product";
inline constexpr const char* kSolidLoadOfVapor = "solid load of vapor product";
inline constexpr const char* kFluidSplit = "mass fraction of fluid to fluid outlet";
inline constexpr const char* kFluidLoad = "fluid load of solid product";
inline constexpr const char* kSolidLoadOfFluid = "solid load of fluid product";

// Eight size classes (m) and their mass fractions.
inline const std::vector<double> kMesh = {0.0, 2e-6, 5e-6, 1e-5, 2e-5, 4e-5, 8e-5, 1.6e-4, 3.2e-4};
inline const std::vector<double> kPsd = {0.05, 0.1, 0.15, 0.2, 0.2, 0.15, 0.1, 0.05};

class Separator : public CSeparationBaseUnit {
  public:
    explicit Separator(int fluidType) { m_nFluidType = fluidType; }
    const char* GetModelName() const override { return "SOLSEP"; }
    long WriteReport() override { return 0; }
};

// Components N2, WATER, SIO2, CACO3 (in this order); a MIXED and a CISOLID substream.
class SeparatorTest : public ::testing::Test {
  protected:
    static constexpr int kComponents = 4;
    static constexpr int kNitrogen = 0, kWater = 1, kSilica = 2, kCalcite = 3;

    void SetUp() override {
        for (const char* name : {"N2", "WATER", "SIO2", "CACO3"}) {
            host.AddDatabankComponent(name);
        }
        streamClass =
            host.AddStreamClass("MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd(kMesh)}}});
        plex::SetupFromHost();
    }

    // Fluid flows (kmol/s) with vapour fraction vf (missing: the frame flashes the inlet),
    // solids (kmol/s) with kPsd, all at T (K) and 1 bar.
    int64_t Inlet(std::vector<double> fluid, double vf, std::vector<double> solids,
                  double temperature) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState state;
        state.temperature = temperature;
        state.pressure = 1e5;
        state.vaporFraction = vf;
        state.liquidFraction = vf == host::kRealMissing ? vf : 1.0 - vf;
        state.flows = std::move(fluid);
        host.SetSubstream(bead, 0, state);
        state.density = solids[kCalcite] > 0.0 ? 2710.0 : 2650.0;  // calcite, quartz (kg/m3)
        state.vaporFraction = state.liquidFraction = 0.0;
        state.flows = std::move(solids);
        state.psd = kPsd;
        host.SetSubstream(bead, 1, state);
        return bead;
    }
    // Gas/solid feed: 0.1 kmol/s N2 and 0.02 kmol/s SiO2 at 350 K.
    int64_t GasFeed(double silica = 0.02) {
        return Inlet({0.1, 0.0, 0.0, 0.0}, 1.0, {0.0, 0.0, silica, 0.0}, 350.0);
    }
    // Solid/liquid feed: 1 kmol/s water and 0.05 kmol/s CaCO3 at 300 K.
    int64_t SlurryFeed() { return Inlet({0.0, 1.0, 0.0, 0.0}, 0.0, {0.0, 0.0, 0.0, 0.05}, 300.0); }

    // Binds the separator to the inlet and two new outlets and initialises it; the outlets
    // leave at the inlet's state.
    void Bind(Separator& unit, int64_t feed) {
        inlet = feed;
        fluidOut = host.AddStream(streamClass);
        solidOut = host.AddStream(streamClass);
        block = &host.AddBlock("SEP", {inlet}, {fluidOut, solidOut});
        counts = {1, 2};
        unit.SetStreamBeads(&counts[0], block->inlets.data(), &counts[1], block->outlets.data());
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.SetBlockID(block->id.data(), 1);
        ASSERT_EQ(unit.Initialize(), kStatusOk);
        unit.GetStateVariables()->SetTemperatureChange(0.0);
        unit.GetStateVariables()->SetPressureChange(0.0);
    }
    // Binds the separator to `feed` and sets the flow split specification.
    void Specify(Separator& unit, int64_t feed, const char* name1, double value1, const char* name2,
                 double value2, double sharpness = 0.0) {
        Bind(unit, feed);
        CSeparation& separation = *unit.GetSeparation();
        separation.SetFlowSplit1(CString(name1));
        separation.SetFlowSplit1(value1);
        separation.SetFlowSplit2(CString(name2));
        separation.SetFlowSplit2(value2);
        separation.SetSharpness(sharpness);
    }

    double Flow(int64_t bead, int substream, int component) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + component];
    }
    // Component flow summed over the substreams, kmol/s.
    double Component(int64_t bead, int component) {
        return Flow(bead, 0, component) + Flow(bead, 1, component);
    }
    // Mass flow (kg/s) of a phase ("vapor", "liquid") of a stream, read through the unit.
    double PhaseMass(Separator& unit, int64_t bead, const char* phase) {
        double value = -1.0;
        EXPECT_EQ(unit.GetSinglePhaseProp(bead, CComBSTR("totalFlow"), CComBSTR(phase), &value,
                                          CComBSTR("mass")),
                  kStatusOk)
            << phase;
        return value;
    }
    double Outcome() const {
        return static_cast<double>(block->statusBlock[records::kStatusOutcome]);
    }

    // Every component's flow is conserved to 1e-12 relative.
    void ExpectComponentBalance() {
        for (int c = 0; c < kComponents; ++c) {
            const double in = Component(inlet, c);
            EXPECT_NEAR(Component(fluidOut, c) + Component(solidOut, c), in, 1e-12 * in)
                << "component " << c;
        }
    }
    // Mass (kg/s) of every size class of the solids, from the CISOLID flows and PSD.
    std::vector<double> ClassMasses(Separator& unit, int64_t bead, double weight, int solid) {
        double* fractions = nullptr;
        double* mesh = nullptr;
        const int n = unit.GetPSDPointer(static_cast<int>(bead), 1, fractions, mesh);
        std::vector<double> masses;
        for (int i = 0; i < n; ++i) {
            masses.push_back(Flow(bead, 1, solid) * weight * fractions[i]);
        }
        return masses;
    }

    host::SubstituteHost host;
    int64_t streamClass = 0, inlet = 0, fluidOut = 0, solidOut = 0;
    host::Block* block = nullptr;
    std::array<int64_t, 2> counts{};
};

}  // namespace brixel::testing
