#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/plex.h"
#include "brixel/models/conveying/dilute_phase_conveying.h"
#include "host/substitute_host.h"
#include "support/substream_states.h"

namespace brixel::testing {

constexpr double kGasConstant = 8314.462618;  // J/(kmol K), the host's
constexpr double kNitrogenWeight = 28.014;    // kg/kmol
constexpr double kSilicaWeight = 60.084;      // kg/kmol
constexpr double kSilicaDensity = 2650.0;     // kg/m3, quartz
constexpr double kGravity = 9.80665;          // m/s2, the host's standard value

// A conveying unit as a host model would write it: ports "INLET" and "OUTLET", the frame's
// first step, then the line.
class ConveyingUnit : public CBrixelBaseUnit {
  public:
    ConveyingUnit() : line(this) {
        EnableOutput(true);
        line.InitializePorts(&m_saPortNames);
    }
    const char* GetModelName() const override { return "DILCONV"; }
    long WriteReport() override { return 0; }
    void ValidateData() override { line.ValidateData(); }
    void SetOutletStreams() override { line.SetOutletStreams(); }
    long Calculate() {
        const long status = CBrixelBaseUnit::Calculate();
        return status < 0 ? status : line.Calculate();
    }

    CDilutePhaseConveying line;
};

// Nitrogen carrying quartz: components N2, WATER, SIO2; a MIXED substream and a CISOLID
// substream with a two-interval PSD.
class DiluteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"N2", "WATER", "SIO2"}) {
            host.AddDatabankComponent(name);
        }
        streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-4, 2e-4})}}});
        plex::SetupFromHost();
    }

    // Gas (kg/s of N2) and solids (kg/s of SiO2) at T (K) and P (Pa), all vapour; with water
    // (kmol/s) the mixed substream's phases are left to a flash.
    int64_t Feed(double gas, double solids, double pressure = 1e5, double temperature = 300.0,
                 double water = 0.0) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState mixed;
        mixed.flows = {gas / kNitrogenWeight, water, 0.0};
        mixed.temperature = temperature;
        mixed.pressure = pressure;
        if (water == 0.0) {
            mixed.vaporFraction = 1.0;
            mixed.liquidFraction = 0.0;
        }
        host.SetSubstream(bead, 0, mixed);
        host.SetSubstream(
            bead, 1,
            SilicaSolid(solids / kSilicaWeight, temperature, pressure, {0.5, 0.5}, kSilicaDensity));
        return bead;
    }

    // Binds any unit to the inlet and a new outlet.
    void BindBlock(CBrixelBaseUnit& unit, int64_t feed) {
        inlet = feed;
        outlet = host.AddStream(streamClass);
        block = &host.AddBlock("LINE", {inlet}, {outlet});
        counts = {1, 1};
        unit.SetStreamBeads(&counts[0], block->inlets.data(), &counts[1], block->outlets.data());
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.SetBlockID(block->id.data(), 1);
    }
    // A 100 m horizontal line of 0.1 m with the Muschelknautz model.
    static void Configure(CDilutePhaseConveying& line) {
        line.SetTubeDiameter(kDiameter);
        line.SetTubeLength(100.0);
        line.SetRiseAngle(0.0);
        line.SetSolidsPressureDropModel("Muschelknautz");
    }
    void Bind(ConveyingUnit& unit, int64_t feed) {
        BindBlock(unit, feed);
        Configure(unit.line);
    }

    // Printed lines without their trailing blanks.
    std::vector<std::string> Printed() const {
        std::vector<std::string> lines = host.PrintedLines();
        for (std::string& line : lines) {
            line.erase(line.find_last_not_of(' ') + 1);
        }
        return lines;
    }

    double Pressure(CBrixelBaseUnit& unit, int64_t bead) {
        double value = 0.0;
        EXPECT_EQ(unit.GetPressure(static_cast<int>(bead), &value), 0);
        return value;
    }

    std::vector<double> Vector(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }

    // Ideal-gas density of nitrogen (kg/m3).
    static double NitrogenDensity(double pressure, double temperature = 300.0) {
        return pressure * kNitrogenWeight / (kGasConstant * temperature);
    }
    static double Area() { return std::numbers::pi * kDiameter * kDiameter / 4.0; }

    static constexpr double kDiameter = 0.1;  // m
    host::SubstituteHost host;
    int64_t streamClass = 0;
    int64_t inlet = 0;
    int64_t outlet = 0;
    host::Block* block = nullptr;
    std::array<int64_t, 2> counts{};
};

}  // namespace brixel::testing
