#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/plex.h"
#include "host/substitute_host.h"

namespace brixel::testing {

// A unit derived from the base, with its protected state opened for tests.
class TestUnit : public CBrixelBaseUnit {
  public:
    const char* GetModelName() const override { return "TESTUNIT"; }
    long WriteReport() override { return 0; }

    void ValidateData() override {
        CBrixelBaseUnit::ValidateData();
        ++validateCalls;
        if (failValidation) {
            RaiseValidationError(1, "BAD INPUT", "TESTUNIT", false);
        }
    }
    int GetBeadForPort(int port) override {
        return port == mappedPort ? mappedBead : CBrixelBaseUnit::GetBeadForPort(port);
    }

    void NamePorts(std::initializer_list<const char*> names) {
        m_saPortNames.RemoveAll();
        for (const char* name : names) {
            m_saPortNames.Add(name);
        }
    }

    void AddPortName(const char* name) { m_saPortNames.Add(name); }

    using CBrixelBaseUnit::m_bInletsFlashed;
    using CBrixelBaseUnit::m_dblAmbientPressure;
    using CBrixelBaseUnit::m_dblPmax;
    using CBrixelBaseUnit::m_dblPmin;
    using CBrixelBaseUnit::m_dblPolymerParameter;
    using CBrixelBaseUnit::m_dblTmax;
    using CBrixelBaseUnit::m_dblTmin;
    using CBrixelBaseUnit::m_mapFlashResults;
    using CBrixelBaseUnit::m_naCatalysts;
    using CBrixelBaseUnit::m_naOligomers;
    using CBrixelBaseUnit::m_naPolymers;
    using CBrixelBaseUnit::m_naSavedInlets;
    using CBrixelBaseUnit::m_naSolidComps;
    using CBrixelBaseUnit::m_naSolidmers;
    using CBrixelBaseUnit::m_nPolymerOption;
    using CBrixelBaseUnit::m_nSolidmerFlag;
    using CBrixelBaseUnit::m_pNCIndex;

    int validateCalls = 0;
    bool failValidation = false;
    int mappedPort = -100;
    int mappedBead = -1;
};

// A host with components A, B (fluids) and S (a conventional solid), a stream class with a
// MIXED substream and a CISOLID substream carrying a 3-interval PSD, and streams of it.
class UnitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        host.AddComponent({.id = "B", .molecularWeight = 20.0});
        host.AddComponent({.id = "S", .molecularWeight = 100.0, .conventionalSolid = true});
        streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-6, 1e-5, 1e-4})}}});
        plex::SetupFromHost();
    }

    int64_t NewStream() { return host.AddStream(streamClass); }

    // A stream with fluid flows in MIXED and solids in CISOLID, both at the given state.
    int64_t FeedStream(double mixedTemperature = 300.0, double solidTemperature = 300.0) {
        const int64_t bead = NewStream();
        host::SubstreamState mixed;
        mixed.flows = {1.0, 2.0, 0.0};
        mixed.temperature = mixedTemperature;
        mixed.pressure = 1e5;
        mixed.vaporFraction = 1.0;
        mixed.liquidFraction = 0.0;
        host.SetSubstream(bead, 0, mixed);
        host::SubstreamState solid;
        solid.flows = {0.0, 0.0, 0.5};
        solid.temperature = solidTemperature;
        solid.pressure = 1e5;
        solid.vaporFraction = 0.0;
        solid.liquidFraction = 0.0;
        solid.psd = {0.2, 0.3, 0.5};
        host.SetSubstream(bead, 1, solid);
        return bead;
    }

    // MIXED with 1 kmol/s of A; CISOLID substreams "CI1" and "CI2" with the given attributes,
    // flows of S (kmol/s; 0.01 is 1 kg/s), densities 2000 and 3000 kg/m3 and PSD fractions.
    int64_t TwoSolidStream(std::vector<host::Attribute> first, std::vector<host::Attribute> second,
                           double flow1, std::vector<double> psd1, double flow2,
                           std::vector<double> psd2) {
        const int64_t cls = host.AddStreamClass(
            "MIXCI2",
            {{"MIXED", 1, {}}, {"CI1", 2, std::move(first)}, {"CI2", 2, std::move(second)}});
        plex::SetupFromHost();
        const int64_t bead = host.AddStream(cls);
        host::SubstreamState mixed;
        mixed.flows = {1.0, 0.0, 0.0};
        mixed.temperature = 300.0;
        mixed.pressure = 1e5;
        mixed.vaporFraction = 1.0;
        mixed.liquidFraction = 0.0;
        host.SetSubstream(bead, 0, mixed);
        host::SubstreamState solid;
        solid.temperature = 300.0;
        solid.pressure = 1e5;
        solid.flows = {0.0, 0.0, flow1};
        solid.density = 2000.0;
        solid.psd = std::move(psd1);
        host.SetSubstream(bead, 1, solid);
        solid.flows = {0.0, 0.0, flow2};
        solid.density = 3000.0;
        solid.psd = std::move(psd2);
        host.SetSubstream(bead, 2, solid);
        return bead;
    }

    // Binds a unit to a block with these streams and names its ports "IN<i>", "OUT<j>".
    host::Block& Bind(TestUnit& unit, std::vector<int64_t> inlets, std::vector<int64_t> outlets) {
        host::Block& block = host.AddBlock("B1", std::move(inlets), std::move(outlets));
        inletCount = static_cast<int64_t>(block.inlets.size());
        outletCount = static_cast<int64_t>(block.outlets.size());
        unit.SetStreamBeads(&inletCount, block.inlets.data(), &outletCount, block.outlets.data());
        unit.SetUnitBeads(block.intParameters.data(), block.realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
        unit.SetBlockID(block.id.data(), 1);
        unit.NamePorts({});
        for (std::size_t i = 0; i < block.inlets.size(); ++i) {
            unit.AddPortName(("IN" + std::to_string(i)).c_str());
        }
        for (std::size_t j = 0; j < block.outlets.size(); ++j) {
            unit.AddPortName(("OUT" + std::to_string(j)).c_str());
        }
        return block;
    }

    std::vector<double> Vector(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }

    host::SubstituteHost host;
    int64_t streamClass = 0;
    int64_t inletCount = 0;
    int64_t outletCount = 0;
};

}  // namespace brixel::testing
