#include "brixel/models/separation/separation_base_unit.h"

#include <vector>

#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "brixel/properties/property_stream.h"

namespace brixel {
namespace {

constexpr const char* kTag = "SEPBASE";
constexpr const char* kPortNames[] = {"INLET", "FLUID OUTLET", "SOLID OUTLET"};

}  // namespace
}  // namespace brixel

CSeparationBaseUnit::CSeparationBaseUnit() {
    EnableOutput(true);
}

CSeparationBaseUnit::~CSeparationBaseUnit() = default;

long CSeparationBaseUnit::Initialize() {
    const long status = CBrixelBaseUnit::Initialize();
    if (status < 0) {
        return status;
    }
    // A second Initialize must not name the ports twice.
    for (const char* name : brixel::kPortNames) {
        bool named = false;
        for (int i = 0; i < m_saPortNames.GetSize(); ++i) {
            named = named || m_saPortNames[i] == name;
        }
        if (!named) {
            m_saPortNames.Add(name);
        }
    }
    m_pSeparation = std::make_unique<CSeparation>(this, m_nFluidType);
    m_pStateVariables = std::make_unique<CSetStateVariables>(this);
    return brixel::kStatusOk;
}

void CSeparationBaseUnit::ValidateData() {
    ClearValidationErrors();
    if (m_pSeparation) {
        m_pSeparation->ValidateData();
    }
    if (m_pStateVariables) {
        m_pStateVariables->ValidateData();
    }
}

long CSeparationBaseUnit::Calculate() {
    long status = CBrixelBaseUnit::Calculate();
    if (status < 0) {
        return status;
    }
    const auto fail = [this](uint32_t code, const char* text, long result) {
        if (!HasCalculationErrors()) {
            RaiseCalculationError(code, text, brixel::kTag, false);
        }
        return result < 0 ? result : brixel::kStatusFail;
    };
    if (!m_pSeparation || !m_pStateVariables) {
        return fail(1, "CALCULATION OF SEPARATION FAILED.", brixel::kStatusFail);
    }
    try {
        const int fluidOutlet = GetBeadNumberFromName("FLUID OUTLET");
        const int solidOutlet = GetBeadNumberFromName("SOLID OUTLET");
        const int inlet = GetBeadNumberFromName("INLET");
        CopyStream(inlet, fluidOutlet);
        CopyStream(inlet, solidOutlet);

        status = m_pSeparation->Calculate(inlet, fluidOutlet, solidOutlet);
        if (status < 0) {
            return fail(1, "CALCULATION OF SEPARATION FAILED.", status);
        }
        const std::vector<int> outlets{fluidOutlet, solidOutlet};
        status = m_pStateVariables->CalcFlash(&outlets, inlet);
        if (status < 0) {
            return fail(2, "FLASH CALCULATION OF OUTLETS FAILED.", status);
        }
        return brixel::kStatusOk;
    } catch (long thrown) {
        return fail(1, "CALCULATION OF SEPARATION FAILED.", thrown);
    } catch (...) {
        return fail(1, "CALCULATION OF SEPARATION FAILED.", brixel::kStatusFail);
    }
}

void CSeparationBaseUnit::SetOutletStreams() {
    CopyInletToOutlets();
    SetSolidMassFlow("FLUID OUTLET", 0.0);
    const CComBSTR totalFlow("totalFlow");
    const CComBSTR mass("mass");
    if (SetSinglePhaseProp(CString("SOLID OUTLET"), totalFlow, CComBSTR("vapor"), 0.0, mass) < 0) {
        // An inlet without a phase split (its flash failed): all its fluid goes to the fluid
        // outlet, so nothing is counted twice.
        const int solidOutlet = GetBeadNumberFromName("SOLID OUTLET");
        for (int64_t c = 0; c < brixel::ConventionalCount(); ++c) {
            if (!IsSolidComp(c) || IsPolymerOligomer(c)) {
                ChangeComponentFlow(solidOutlet, 0, c, 0.0);
            }
        }
    }
    if (m_nFluidType == 0) {
        // The liquid of a gas/solid separator goes with the solids, as in Calculate; left in
        // both outlets it would be counted twice.
        SetSinglePhaseProp(CString("FLUID OUTLET"), totalFlow, CComBSTR("liquid"), 0.0, mass);
    } else {
        SetSinglePhaseProp(CString("SOLID OUTLET"), totalFlow, CComBSTR("liquid"), 0.0, mass);
    }
}
