#include "brixel/models/distribution/set_psd_call.h"

#include <vector>

#include "brixel/framework/missing_value.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/properties/phase_properties.h"

namespace brixel {

namespace {

constexpr double kQualifyingSolids = 1e-6;  // kg/s
constexpr int kResultWords = 4;

}  // namespace

int64_t MixedInlet(CDistributionChanger& unit, int64_t inletCount, const int64_t* inlets) {
    if (inletCount == 1) {
        return inlets[0];
    }
    std::vector<int> copies;
    for (int64_t i = 0; i < inletCount; ++i) {
        const int inlet = static_cast<int>(inlets[i]);
        double solids = 0.0;
        if (unit.GetSinglePhaseProp(inlet, kPropertyTotalFlow, kPhaseSolid, &solids, kBasisMass) !=
                0 ||
            !(solids > kQualifyingSolids)) {
            continue;
        }
        const int copy = unit.CreateInternalStream(inlet);
        unit.CopyStream(inlet, copy);
        unit.SetSinglePhaseProp(copy, kPropertyTotalFlow, kPhaseVapor, 0.0, kBasisMass);
        unit.SetSinglePhaseProp(copy, kPropertyTotalFlow, kPhaseLiquid, 0.0, kBasisMass);
        copies.push_back(copy);
    }
    if (copies.empty()) {
        return inlets[0];
    }
    for (std::size_t c = 1; c < copies.size(); ++c) {
        if (!unit.MergeStreams(copies[0], copies[c], false)) {
            throw kStatusCapeUnknown;
        }
    }
    return copies[0];
}

namespace {

void WriteResults(CDistributionChanger& unit, const SetPsdCall& call) {
    const int64_t* results = call.resultTable;
    if (!results || brixel::IsMissingWord(results[0])) {
        return;
    }
    struct Result {
        const char* port;
        const char* parameter;
    };
    constexpr Result kResults[kResultWords] = {
        {"INLET", "Sauter"}, {"OUTLET", "Sauter"}, {"INLET", "median"}, {"OUTLET", "Median"}};
    for (int k = 0; k < kResultWords; ++k) {
        const int64_t position = results[k];
        if (brixel::IsMissingWord(position) || position < 0) {
            continue;
        }
        double value = CBrixelBaseUnit::m_dblRMiss;
        if (unit.GetDistributionParameter(CString(kResults[k].port), CComBSTR("PSD"),
                                          CComBSTR(kResults[k].parameter), &value, nullptr,
                                          nullptr) != 0) {
            value = CBrixelBaseUnit::m_dblRMiss;
        }
        call.block.realParameters[position] = value;
    }
}

}  // namespace

void BindCall(CDistributionChanger& unit, const ProceduralCall& call, CallPorts& ports) {
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, call.methodSet, &unused, call.statusBlock);
    unit.SetNBOPST(call.methodSet);
    unit.SetUnitBeads(call.intParameters, call.realParameters);
    ports.inlet = call.inlets[0];
    ports.outlet = call.outlet;
    unit.SetStreamBeads(&ports.one, &ports.inlet, &ports.one, &ports.outlet);
}

int64_t RunSetPsd(const SetPsdCall& call) {
    // The unit reads its port words up to the end of its destructor: they must outlive it.
    CallPorts ports;
    CDistributionChanger unit;
    BindCall(unit, call.block, ports);
    // The unit's inlet word becomes the mixed inlet.
    ports.inlet = MixedInlet(unit, call.block.inletCount, call.block.inlets);
    unit.CheckSolidPolymersStream(static_cast<int>(ports.inlet));
    unit.ReadInput(call.block.indexTable);

    const int result = unit.Run(call.estimate);
    if (result != 2) {
        WriteResults(unit, call);
    }
    unit.SetOutcome(result);
    return result;
}

}  // namespace brixel
