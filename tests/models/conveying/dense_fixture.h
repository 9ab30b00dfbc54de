#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/models/conveying/dense_phase_conveying.h"
#include "cli/dense_conveying_unit.h"
#include "cli/feed_host.h"
#include "host/substitute_host.h"
#include "support/substream_states.h"

namespace brixel::testing {

// Nitrogen, water and quartz sand on the host's databank; a MIXED substream and a CISOLID
// substream whose PSD has three millimetre classes.
class DenseConveyingTest : public ::testing::Test {
  protected:
    static constexpr double kNitrogenWeight = 28.014;  // kg/kmol
    static constexpr double kWaterWeight = 18.015;
    static constexpr double kSilicaWeight = 60.084;
    static constexpr double kQuartzDensity = 2648.0;     // kg/m3, the databank's
    static constexpr double kGasConstant = 8314.462618;  // J/(kmol K)
    static constexpr int kNitrogen = 0, kWater = 1, kSilica = 2;
    const std::vector<double> kMesh{1e-3, 2e-3, 3e-3, 4e-3};
    const std::vector<double> kPsd{0.2, 0.5, 0.3};

    void SetUp() override {
        for (const char* id : {"N2", "WATER", "SIO2"}) {
            host.AddDatabankComponent(id);
        }
        streamClass =
            host.AddStreamClass("MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd(kMesh)}}});
        plex::SetupFromHost();
    }

    // Nitrogen, water and sand in kg/s at T (K) and P (Pa); the phase split and the enthalpies
    // are left to the unit's inlet flash.
    int64_t Inlet(double nitrogen, double sand, double water = 0.0, double pressure = 3e5,
                  double temperature = 300.0) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState fluid;
        fluid.flows = {nitrogen / kNitrogenWeight, water / kWaterWeight, 0.0};
        fluid.temperature = temperature;
        fluid.pressure = pressure;
        host.SetSubstream(bead, 0, fluid);
        host.SetSubstream(bead, 1, SilicaSolid(sand / kSilicaWeight, temperature, pressure, kPsd));
        return bead;
    }

    // Binds the unit to the inlet and a new outlet and initialises it.
    void Bind(cli::DenseConveyingUnit& unit, int64_t feed, int64_t printLevel = 4) {
        inlet = feed;
        outlet = host.AddStream(streamClass);
        block = &host.AddBlock("LINE", {inlet}, {outlet}, printLevel);
        cli::BindUnit(unit, *block);
        ASSERT_EQ(unit.Initialize(), 0);
    }

    // A 50 m horizontal line of 100 mm with 5 m of bend length, sand slugs of 1500 kg/m3,
    // the characteristic velocity from the pipe diameter.
    static void Configure(CDensePhaseConveying& line) {
        line.SetTubeDiameter(0.1);
        line.SetTubeLength(50.0);
        line.SetFictiveLenght(5.0);
        line.SetRiseAngle(0.0);
        line.SetBulkDensity(1500.0);
        line.SetStressTransCoef(0.5);
        line.SetParticelWallFriction(0.4);
        line.SetUseUserDefCharacViscosityParameter(false);
    }

    std::vector<double> Vector(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }
    double Flow(int64_t bead, int substream, int component) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + component];
    }
    // Printed error-buffer lines without their trailing blanks.
    std::vector<std::string> Printed() const {
        std::vector<std::string> lines = host.PrintedLines();
        for (std::string& line : lines) {
            line.erase(line.find_last_not_of(' ') + 1);
        }
        return lines;
    }
    int64_t Outcome() const { return block->statusBlock[records::kStatusOutcome]; }

    host::SubstituteHost host;
    int64_t streamClass = 0, inlet = 0, outlet = 0;
    host::Block* block = nullptr;
};

}  // namespace brixel::testing
