// A pass-through unit of a host model's own, built against the installed package: bound to a
// block on the substitute host, validated and calculated through the base frame. Exit 0 when
// the inlet's mass flow reads back as fed.
#include <cmath>
#include <cstdio>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/properties/phase_properties.h"
#include "host/substitute_host.h"

namespace {

class PassUnit : public CBrixelBaseUnit {
  public:
    PassUnit() {
        m_saPortNames.Add("INLET");
        m_saPortNames.Add("OUTLET");
    }
    const char* GetModelName() const override { return "PASS"; }
    long WriteReport() override { return 0; }
};

// kmol/s of nitrogen and water, and their molecular weights in the host's databank.
constexpr double kNitrogen = 0.1;
constexpr double kWater = 0.01;
constexpr double kMassFlow = kNitrogen * 28.014 + kWater * 18.015;  // kg/s

}  // namespace

int main() {
    brixel::host::SubstituteHost host;
    host.AddDatabankComponent("N2");
    host.AddDatabankComponent("WATER");
    const int64_t streamClass = host.AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t inlet = host.AddStream(streamClass);
    const int64_t outlet = host.AddStream(streamClass);
    brixel::host::SubstreamState feed;
    feed.flows = {kNitrogen, kWater};
    feed.temperature = 330.0;
    feed.pressure = 101325.0;
    host.SetSubstream(inlet, 0, feed);
    brixel::host::Block& block = host.AddBlock("PASS", {inlet}, {outlet});

    PassUnit unit;
    int64_t inletCount = 1;
    int64_t outletCount = 1;
    unit.SetStreamBeads(&inletCount, block.inlets.data(), &outletCount, block.outlets.data());
    unit.SetUnitBeads(block.intParameters.data(), block.realParameters.data());
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
    unit.SetBlockID(block.id.data(), 1);
    unit.Initialize();
    if (!unit.FlashStream(static_cast<int>(inlet), brixel::kFlashTP, 330.0, 101325.0,
                          CBrixelBaseUnit::m_dblRMiss, true)) {
        std::puts("consumer: the feed could not be flashed");
        return 1;
    }
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_FALSE;
    const long validation = unit.Validate(&message, &valid);
    SysFreeString(message);
    const long status = unit.Calculate();
    double massFlow = 0.0;
    const long read =
        unit.GetOverallProp(inlet, brixel::kPropertyTotalFlow, &massFlow, brixel::kBasisMass);
    if (validation != 0 || valid != VARIANT_TRUE || status != 0 || read != 0 ||
        std::fabs(massFlow - kMassFlow) > 1e-9 * kMassFlow) {
        std::printf(
            "consumer: validation %ld (valid %d), calculation %ld, read %ld, mass flow %.12g kg/s "
            "(fed %.12g)\n",
            validation, static_cast<int>(valid), status, read, massFlow, kMassFlow);
        return 1;
    }
    std::printf("consumer: calculated; inlet mass flow %.9g kg/s as fed\n", massFlow);
    return 0;
}
