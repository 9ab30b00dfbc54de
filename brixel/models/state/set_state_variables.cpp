#include "brixel/models/state/set_state_variables.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/missing_value.h"

#include "brixel/framework/flash_kode.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/safe_array.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/vocabulary.h"

namespace brixel {
using brixel::IsGiven;

namespace {

constexpr const char* kTag = "SSTATE";
constexpr int kNameCount = 8;
constexpr const char* kNames[kNameCount] = {"temperature",
                                            "pressure",
                                            "heat duty",
                                            "vapor flow rate",
                                            "temperature change",
                                            "pressure change",
                                            "vapor fraction (mass)",
                                            "vapor fraction (mole)"};
constexpr bool kDefaultAllowed[CSetStateVariables::kAllowedCount] = {true,  true, true,
                                                                     false, true, true};

using enum brixel::FlashKode;

// Duty sharing: temperatures agree within this (K); the secant gives up after so many steps.
constexpr double kTemperatureTolerance = 1e-6;
constexpr int kSecantSteps = 500;
// A secant that stalls has converged as far as the flash allows when the outlets are this
// close (K); further apart they are not at one temperature.
constexpr double kStalledTemperatureTolerance = 1e-3;

bool IsTemperatureKind(const CString& name) {
    return name.Find("temperature") >= 0;
}
bool IsPressureKind(const CString& name) {
    return name.Find("pressure") >= 0;
}
bool IsVaporKind(const CString& name) {
    return name == "vapor flow rate" || name == "vapor fraction (mass)" ||
           name == "vapor fraction (mole)";
}

std::unique_ptr<bool[]> CopyAllowed(const bool* source) {
    auto copy = std::make_unique<bool[]>(CSetStateVariables::kAllowedCount);
    std::copy(source, source + CSetStateVariables::kAllowedCount, copy.get());
    return copy;
}

// Keeps the host's property bracket closed on every path.
class PropertyBracket {
  public:
    PropertyBracket() { HostPropEnter(); }
    ~PropertyBracket() { HostPropExit(); }
    PropertyBracket(const PropertyBracket&) = delete;
    PropertyBracket& operator=(const PropertyBracket&) = delete;
};

void ThrowOnFailure(long status) {
    if (status < 0) {
        throw status;
    }
}

}  // namespace
}  // namespace brixel

using namespace brixel;

CSetStateVariables::CSetStateVariables(CBrixelBaseUnit* unit)
    : CUnitElement(unit),
      m_baAllowed(CopyAllowed(kDefaultAllowed)),
      m_dblTemperature(CBrixelBaseUnit::m_dblRMiss),
      m_dblPressure(CBrixelBaseUnit::m_dblRMiss),
      m_dblHeatDuty(CBrixelBaseUnit::m_dblRMiss),
      m_dblVaporFlow(CBrixelBaseUnit::m_dblRMiss),
      m_dblPressureChange(CBrixelBaseUnit::m_dblRMiss),
      m_dblTemperatureChange(CBrixelBaseUnit::m_dblRMiss),
      m_dblVaporFraction(CBrixelBaseUnit::m_dblRMiss),
      m_dblTemperatureEstimate(CBrixelBaseUnit::m_dblRMiss),
      m_dblPressureEstimate(CBrixelBaseUnit::m_dblRMiss) {}

CSetStateVariables::CSetStateVariables(const CSetStateVariables& other)
    : CUnitElement(other),
      m_baAllowed(CopyAllowed(other.m_baAllowed.get())),
      m_nVariables(other.m_nVariables),
      m_dblTemperature(other.m_dblTemperature),
      m_dblPressure(other.m_dblPressure),
      m_dblHeatDuty(other.m_dblHeatDuty),
      m_dblVaporFlow(other.m_dblVaporFlow),
      m_dblPressureChange(other.m_dblPressureChange),
      m_dblTemperatureChange(other.m_dblTemperatureChange),
      m_dblVaporFraction(other.m_dblVaporFraction),
      m_dblTemperatureEstimate(other.m_dblTemperatureEstimate),
      m_dblPressureEstimate(other.m_dblPressureEstimate),
      m_strState1(other.m_strState1),
      m_strState2(other.m_strState2),
      m_saFurther(other.m_saFurther) {}

CSetStateVariables& CSetStateVariables::operator=(const CSetStateVariables& other) {
    if (this != &other) {
        CSetStateVariables copy(other);
        CUnitElement::operator=(copy);
        m_baAllowed = std::move(copy.m_baAllowed);
        m_nVariables = copy.m_nVariables;
        m_dblTemperature = copy.m_dblTemperature;
        m_dblPressure = copy.m_dblPressure;
        m_dblHeatDuty = copy.m_dblHeatDuty;
        m_dblVaporFlow = copy.m_dblVaporFlow;
        m_dblPressureChange = copy.m_dblPressureChange;
        m_dblTemperatureChange = copy.m_dblTemperatureChange;
        m_dblVaporFraction = copy.m_dblVaporFraction;
        m_dblTemperatureEstimate = copy.m_dblTemperatureEstimate;
        m_dblPressureEstimate = copy.m_dblPressureEstimate;
        m_strState1 = copy.m_strState1;
        m_strState2 = copy.m_strState2;
        m_saFurther = copy.m_saFurther;
    }
    return *this;
}

CSetStateVariables::~CSetStateVariables() = default;

CString CSetStateVariables::GetStateVariableFromID(int id) {
    return id >= 0 && id < kNameCount ? CString(kNames[id]) : CString();
}

int CSetStateVariables::GetIDOfStateVariable(const CString& name) {
    for (int id = 0; id < kNameCount; ++id) {
        if (name == kNames[id]) {
            return id >= 6 ? 3 : id;
        }
    }
    return -1;
}

void CSetStateVariables::SetAllowedVariables(std::unique_ptr<bool[]> allowed) {
    if (allowed) {
        m_baAllowed = std::move(allowed);
    }
}

bool CSetStateVariables::IsVariableAllowed(int id) const {
    return id >= 0 && id < kAllowedCount && m_baAllowed[static_cast<std::size_t>(id)];
}

void CSetStateVariables::SetHeatDuty(double watts) {
    if (!IsHeatDutySelected()) {
        m_dblHeatDuty = watts;
    }
}

bool CSetStateVariables::IsHeatDutySelected() const {
    return m_strState1 == "heat duty" || m_strState2 == "heat duty";
}

bool CSetStateVariables::IsSelected(const CString& name) const {
    return m_strState1 == name || (m_nVariables >= 2 && m_strState2 == name);
}

std::vector<CString> CSetStateVariables::SelectedNames() const {
    std::vector<CString> names{m_strState1};
    if (m_nVariables >= 2) {
        names.push_back(m_strState2);
    }
    return names;
}

void CSetStateVariables::ValidateData() {
    if (!m_pUnit) {
        return;
    }
    double tMin = 0.0, tMax = 0.0, pMin = 0.0, pMax = 0.0;
    m_pUnit->GetFlashLimits(tMin, tMax, pMin, pMax);
    const double rMin = CBrixelBaseUnit::m_dblRMin;
    CString text;
    const auto raise = [&](uint32_t code, const CString& message) {
        m_pUnit->RaiseValidationError(code, message, kTag, false);
    };
    if (IsSelected("temperature")) {
        const double lower = std::max(tMin, rMin);
        if (!IsGiven(m_dblTemperature)) {
            raise(1, "TEMPERATURE IS NOT SET.");
        } else if (m_dblTemperature < lower) {
            text.Format("TEMPERATURE MUST BE ABOVE %.6g K.", lower);
            raise(1, text);
        } else if (m_dblTemperature > tMax) {
            text.Format("TEMPERATURE MUST BE BELOW %.6g K.", tMax);
            raise(1, text);
        }
    }
    if (IsSelected("pressure")) {
        const double lower = std::max(pMin, rMin);
        if (!IsGiven(m_dblPressure)) {
            raise(2, "PRESSURE IS NOT SET.");
        } else if (m_dblPressure < lower) {
            text.Format("PRESSURE MUST BE ABOVE %.6g PA.", lower);
            raise(2, text);
        } else if (m_dblPressure > pMax) {
            text.Format("PRESSURE MUST BE BELOW %.6g PA.", pMax);
            raise(2, text);
        }
    }
    if (IsSelected("vapor flow rate")) {
        if (!IsGiven(m_dblVaporFlow)) {
            raise(3, "OUTLET VAPOR MASSFLOW IS NOT SET.");
        } else if (m_dblVaporFlow < 0.0) {
            raise(3, "OUTLET VAPOR MASSFLOW MUST BE GREATER THAN ZERO.");
        }
    }
    if (IsSelected("vapor fraction (mass)") || IsSelected("vapor fraction (mole)")) {
        if (!IsGiven(m_dblVaporFraction)) {
            raise(4, "VAPOR FRACTION IS NOT SET.");
        } else if (m_dblVaporFraction < 0.0 || m_dblVaporFraction > 1.0) {
            text.Format("VAPOR FRACTION (%.6g) MUST BE BETWEEN ZERO AND ONE.", m_dblVaporFraction);
            raise(4, text);
        }
    }
}

double CSetStateVariables::ReadTemperature(int bead) {
    double value = 0.0;
    ThrowOnFailure(m_pUnit->GetTemperature(bead, &value));
    return value;
}

double CSetStateVariables::ReadPressure(int bead) {
    double value = 0.0;
    ThrowOnFailure(m_pUnit->GetPressure(bead, &value));
    return value;
}

long CSetStateVariables::CheckOutletTemperature(double value) {
    double tMin = 0.0, tMax = 0.0, pMin = 0.0, pMax = 0.0;
    m_pUnit->GetFlashLimits(tMin, tMax, pMin, pMax);
    CString text;
    if (!(value >= std::max(tMin, CBrixelBaseUnit::m_dblRMin))) {
        text.Format("TEMPERATURE AT OUTLET (%.6g) IS BELOW LOWER LIMIT OF %.6g K.", value, tMin);
    } else if (value > tMax) {
        text.Format("TEMPERATURE AT OUTLET (%.6g) IS ABOVE UPPER LIMIT OF %.6g K.", value, tMax);
    } else {
        return kStatusOk;
    }
    m_pUnit->RaiseCalculationError(7, text, kTag, false);
    return kStatusCapeInvalidArgument;
}

long CSetStateVariables::CheckOutletPressure(double value) {
    double tMin = 0.0, tMax = 0.0, pMin = 0.0, pMax = 0.0;
    m_pUnit->GetFlashLimits(tMin, tMax, pMin, pMax);
    const double lower = std::max(pMin, CBrixelBaseUnit::m_dblRMin);
    CString text;
    if (!(value >= lower)) {
        text.Format("PRESSURE AT OUTLET (%.6g) IS BELOW LOWER LIMIT OF %.6g PA.", value, lower);
    } else if (value > pMax) {
        text.Format("PRESSURE AT OUTLET (%.6g) IS ABOVE UPPER LIMIT OF %.6g PA.", value, pMax);
    } else {
        return kStatusOk;
    }
    m_pUnit->RaiseCalculationError(8, text, kTag, false);
    return kStatusCapeInvalidArgument;
}

double CSetStateVariables::SplitFluid(int outlet, int reference, const CString& name) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const int basis = name == "vapor fraction (mole)" ? kBasisMole : kBasisMass;
    // Component flows (kmol/s and kg/s) of the reference's fluid: its vapour plus its liquid.
    const auto phaseFlows = [&](int phase, int flowBasis) {
        CComSafeArray<double> values;
        ThrowOnFailure(
            unit.GetSinglePhaseProp(reference, kPropertyFlow, phase, values, flowBasis, 1));
        std::vector<double> flows(values.GetCount(), 0.0);
        for (std::size_t i = 0; i < flows.size(); ++i) {
            flows[i] = values.GetAt(static_cast<long>(i));
        }
        return flows;
    };
    std::vector<double> moles = phaseFlows(kPhaseVapor, kBasisMole);
    std::vector<double> mass = phaseFlows(kPhaseVapor, kBasisMass);
    const std::vector<double> liquidMoles = phaseFlows(kPhaseLiquid, kBasisMole);
    const std::vector<double> liquidMass = phaseFlows(kPhaseLiquid, kBasisMass);
    double fluidMoles = 0.0;
    double fluidMass = 0.0;
    for (std::size_t i = 0; i < moles.size() && i < liquidMoles.size(); ++i) {
        moles[i] += liquidMoles[i];
        mass[i] += liquidMass[i];
        fluidMoles += moles[i];
        fluidMass += mass[i];
    }
    const double fluid = basis == kBasisMole ? fluidMoles : fluidMass;
    double vapour = name == "vapor flow rate" ? m_dblVaporFlow : fluid * m_dblVaporFraction;
    if (vapour > fluid) {
        vapour = fluid;
        unit.RaiseWarning(9, "SELECTED VAPOR FLOW RATE IS NOT FEASIBLE. MAXIMUM IS CHOSEN.", kTag,
                          false);
    }
    // One composition for both phases, so the vapour's share is the same on either basis.
    const double vapourShare = fluid > 0.0 ? vapour / fluid : 0.0;

    int port = outlet;
    int64_t* streamClass = nullptr;
    double* vector = nullptr;
    int ncc = 0;
    int nncc = 0;
    unit.GetQuarnStreamInformation(port, streamClass, vector, ncc, nncc);
    if (!streamClass || !vector || unit.GetNSubs(streamClass) < 1 ||
        unit.GetIsstype(streamClass, 0) != records::kMixed) {
        throw kStatusInvalidArgument;  // no fluid substream to split into
    }
    // Mass flows of the outlet's own mixed substream, for the solids it carries.
    CComSafeArray<double> outletMass;
    ThrowOnFailure(unit.GetSinglePhaseProp(outlet, kPropertyFlow, 0, outletMass, kBasisMass, 1));
    double* const sub = vector + unit.GetlSuboff(streamClass, 0);
    double* const state = sub + ncc;
    double total = 0.0;
    double totalMass = 0.0;
    for (int c = 0; c < ncc; ++c) {
        const auto i = static_cast<std::size_t>(c);
        // Solids carried in the mixed substream are neither vapour nor liquid and stay.
        if ((unit.IsSolidComp(c) && !unit.IsPolymerOligomer(c)) || i >= moles.size()) {
            totalMass += i < outletMass.GetCount() ? outletMass.GetAt(static_cast<long>(i)) : 0.0;
        } else {
            double old = sub[c];
            sub[c] = moles[i];
            totalMass += mass[i];
            if (old != sub[c]) {
                const int64_t type = records::kMixed;
                const int64_t number = c + 1;
                HostUpdateClassData(&type, &number, sub, &old, &sub[c]);
            }
        }
        total += sub[c];
    }
    const double vapourMoles = vapourShare * fluidMoles;
    state[stream_vector::kTotalFlow] = total;
    state[stream_vector::kVaporFraction] = total > 0.0 ? vapourMoles / total : 0.0;
    state[stream_vector::kLiquidFraction] = total > 0.0 ? (fluidMoles - vapourMoles) / total : 0.0;
    state[stream_vector::kMolecularWeight] =
        total > 0.0 ? totalMass / total : CBrixelBaseUnit::m_dblRMiss;
    state[stream_vector::kEnthalpy] = CBrixelBaseUnit::m_dblRMiss;
    state[stream_vector::kEntropy] = CBrixelBaseUnit::m_dblRMiss;
    state[stream_vector::kDensity] = CBrixelBaseUnit::m_dblRMiss;
    unit.RemoveFlashResults(port);
    const int64_t bead = port;
    HostUpdateMixed(&bead);
    return total > 0.0 ? vapourMoles / total : 0.0;
}

long CSetStateVariables::CalcFlash(int outlet, int inlet) {
    if (!m_pUnit) {
        return kStatusFail;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const int outletBead = unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(outlet));
    const int reference = inlet == -1
                              ? outletBead
                              : unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(inlet));
    const double missing = CBrixelBaseUnit::m_dblRMiss;

    // A name outside the eight (validation does not check names) selects no flash; refused
    // rather than flashing on what the other variable alone gives.
    const std::vector<CString> names = SelectedNames();
    for (const CString& name : names) {
        if (GetIDOfStateVariable(name) < 0) {
            return kStatusInvalidArgument;
        }
    }
    double temperature = missing;
    double pressure = missing;
    double duty = missing;
    double vapourFraction = 0.0;
    bool temperatureGiven = false;
    bool pressureGiven = false;
    bool dutyGiven = false;
    for (const CString& name : names) {
        if (IsTemperatureKind(name)) {
            temperature = name == "temperature change"
                              ? ReadTemperature(reference) + m_dblTemperatureChange
                              : m_dblTemperature;
            if (const long status = CheckOutletTemperature(temperature); status < 0) {
                return status;
            }
            temperatureGiven = true;
        } else if (IsPressureKind(name)) {
            pressure = name == "pressure change" ? ReadPressure(reference) + m_dblPressureChange
                                                 : m_dblPressure;
            if (const long status = CheckOutletPressure(pressure); status < 0) {
                return status;
            }
            pressureGiven = true;
        } else if (name == "heat duty") {
            duty = m_dblHeatDuty;
            dutyGiven = true;
        } else if (IsVaporKind(name)) {
            vapourFraction = SplitFluid(outletBead, reference, name);
        }
    }
    if (names.size() == 1 && !IsTemperatureKind(names[0])) {
        if (names[0] == "heat duty") {
            // A duty at the reference pressure: the temperature follows from the energy balance.
            pressure = ReadPressure(reference);
            pressureGiven = true;
        } else {
            temperature = ReadTemperature(reference);
            temperatureGiven = true;
        }
    } else if (names.size() == 1) {
        // A temperature alone keeps the reference pressure, as a pressure change of 0 would;
        // a flash at vapour fraction 0 would invent a pressure.
        pressure = ReadPressure(reference);
        pressureGiven = true;
    } else if (!temperatureGiven && !pressureGiven) {
        // Neither variable fixes T or P (duty and vapour): keep the reference pressure.
        pressure = ReadPressure(reference);
        pressureGiven = true;
    }

    double value = 0.0;
    const auto estimate = [&](double given, bool temperatureValue) {
        if (IsGiven(given)) {
            return given;
        }
        const long status = temperatureValue ? unit.GetTemperature(outletBead, &value)
                                             : unit.GetPressure(outletBead, &value);
        return status < 0 ? missing : value;
    };
    int kode = 0;
    double spec1 = 0.0;
    double spec2 = 0.0;
    double spec3 = missing;
    if (temperatureGiven && pressureGiven) {
        kode = kFlashTP;
        spec1 = temperature;
        spec2 = pressure;
    } else if (temperatureGiven) {
        kode = dutyGiven ? kFlashTQ : kFlashTV;
        spec1 = temperature;
        spec2 = dutyGiven ? duty : vapourFraction;
        spec3 = estimate(m_dblPressureEstimate, false);
    } else {
        kode = dutyGiven ? kFlashPQ : kFlashPV;
        spec1 = pressure;
        spec2 = dutyGiven ? duty : vapourFraction;
        spec3 = estimate(m_dblTemperatureEstimate, true);
    }
    if (!unit.FlashStream(outletBead, kode, spec1, spec2, spec3, true)) {
        return FlashFailed();
    }
    return kStatusOk;
}

long CSetStateVariables::FlashFailed() {
    // The outlet keeps a state it was not set to: a failure, not a result.
    m_pUnit->RaiseCalculationError(12, "FLASH CALCULATION FAILED.", kTag, false);
    return kStatusFail;
}

long CSetStateVariables::CalcFlash(const CString& outlet, const CString& inlet) {
    if (!m_pUnit) {
        return kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        int outletPort = m_pUnit->GetPortNumberFromName(outlet);
        int inletPort = m_pUnit->GetPortNumberFromName(inlet);
        if (outletPort < 0) {
            return kStatusInvalidArgument;
        }
        m_pUnit->ConvertPortToStreamBeadNumber(outletPort);
        if (inletPort >= 0) {
            m_pUnit->ConvertPortToStreamBeadNumber(inletPort);
        }
        return CalcFlash(outletPort, inletPort);
    });
}

long CSetStateVariables::CalcFlash(const std::vector<int>* outlets, int inlet) {
    if (!m_pUnit || !outlets) {
        return kStatusInvalidArgument;
    }
    if (outlets->empty()) {
        return kStatusOk;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    return brixel::GuardedCall([&]() -> long {
        const int first =
            unit.ConvertPortToStreamBeadNumber(static_cast<const int&>((*outlets)[0]));
        if (!IsHeatDutySelected() || outlets->size() < 2) {
            // When the first outlet is the reference, the later ones are set against its state
            // before this call, not against what the first flash made of it.
            int reference = inlet == -1 ? first : inlet;
            int snapshot = 0;
            if (inlet == -1 && outlets->size() > 1) {
                snapshot = unit.CreateInternalStream(first);
                reference = snapshot;
            }
            long result = kStatusOk;
            try {
                for (const int outlet : *outlets) {
                    const long status = CalcFlash(outlet, reference);
                    if (status < 0) {
                        result = status;
                        break;
                    }
                }
            } catch (...) {
                if (snapshot != 0) {
                    unit.RemoveInternalStream(snapshot);
                }
                throw;
            }
            if (snapshot != 0) {
                unit.RemoveInternalStream(snapshot);
            }
            return result;
        }
        if (outlets->size() > 2) {
            return kStatusFail;
        }
        const int second =
            unit.ConvertPortToStreamBeadNumber(static_cast<const int&>((*outlets)[1]));
        const int reference =
            inlet == -1 ? first
                        : unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(inlet));
        return ShareHeatDuty(first, second, reference);
    });
}

bool CSetStateVariables::TemperaturePressureEquilibrium(int bead) {
    return m_pUnit->CalcEquilibrium(bead, OverallSpecification(L"temperature"),
                                    OverallSpecification(L"pressure"),
                                    CComBSTR(L"Unspecified")) == kStatusOk;
}

bool CSetStateVariables::PressureEnthalpyEquilibrium(int bead) {
    return m_pUnit->CalcEquilibrium(bead, OverallSpecification(L"pressure"),
                                    OverallSpecification(L"enthalpy"),
                                    CComBSTR(L"Unspecified")) == kStatusOk;
}

long CSetStateVariables::ShareHeatDuty(int first, int second, int reference) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const double rMin = CBrixelBaseUnit::m_dblRMin;
    const auto overall = [&](int bead, int property, int basis) {
        double value = 0.0;
        ThrowOnFailure(unit.GetOverallProp(bead, property, &value, basis));
        return value;
    };
    const double duty = m_dblHeatDuty;
    if (!IsGiven(duty)) {
        return kStatusInvalidArgument;  // nothing to share
    }
    const double inletEnthalpy = overall(reference, kPropertyEnthalpy, kBasisTotal);  // W
    const double target = inletEnthalpy + duty;
    const double firstFlow = overall(first, kPropertyTotalFlow, kBasisMass);
    const double secondFlow = overall(second, kPropertyTotalFlow, kBasisMass);
    if (firstFlow + secondFlow < rMin) {
        return kStatusOk;
    }
    if (secondFlow < rMin || firstFlow < rMin) {
        const int carrier = secondFlow < rMin ? first : second;
        ThrowOnFailure(unit.SetOverallProp(carrier, kPropertyEnthalpy, target, kBasisTotal));
        return PressureEnthalpyEquilibrium(carrier) ? kStatusOk : FlashFailed();
    }

    const double inletTemperature = ReadTemperature(reference);
    const double inletPressure = ReadPressure(reference);
    // The temperature of the whole reference with the duty added: the start for both outlets.
    double mixedTemperature = inletTemperature;
    const int copy = unit.CreateInternalStream(reference);
    if (unit.FlashStream(copy, kFlashPQ, 0.0, duty, inletTemperature, true)) {
        double t = 0.0;
        if (unit.GetTemperature(copy, &t) >= 0) {
            mixedTemperature = t;
        }
    }
    unit.RemoveInternalStream(copy);

    double pressure = inletPressure;
    if (IsSelected("pressure")) {
        pressure = m_dblPressure;
    } else if (IsSelected("pressure change")) {
        pressure = inletPressure + m_dblPressureChange;
    }
    for (const int bead : {first, second}) {
        ThrowOnFailure(unit.SetTemperature(bead, mixedTemperature));
        if (std::abs(pressure - inletPressure) > 1e-15) {
            ThrowOnFailure(unit.SetPressure(bead, pressure));
        }
        if (!TemperaturePressureEquilibrium(bead)) {
            return FlashFailed();
        }
    }
    double enthalpy = overall(first, kPropertyEnthalpy, kBasisTotal);
    const double secondEnthalpy = overall(second, kPropertyEnthalpy, kBasisTotal);
    if (std::abs(enthalpy + secondEnthalpy - target) < std::abs(target * 1e-10)) {
        return kStatusOk;
    }

    // Temperature difference of the outlets when the first carries `h` (W) of the total.
    const auto difference = [&](double h) {
        ThrowOnFailure(unit.SetOverallProp(first, kPropertyEnthalpy, h, kBasisTotal));
        ThrowOnFailure(unit.SetOverallProp(second, kPropertyEnthalpy, target - h, kBasisTotal));
        if (!PressureEnthalpyEquilibrium(first) || !PressureEnthalpyEquilibrium(second)) {
            throw kStatusFail;
        }
        return ReadTemperature(first) - ReadTemperature(second);
    };
    const PropertyBracket bracket;
    if (inletEnthalpy != 0.0) {
        enthalpy *= 1.0 + duty / inletEnthalpy;
    }
    return EqualTemperatureSecant(difference, enthalpy, target);
}

long brixel::EqualTemperatureSecant(const std::function<double(double)>& difference, double start,
                                    double scale) {
    double enthalpy = start;
    double f = difference(enthalpy);
    if (std::abs(f) < kTemperatureTolerance) {
        return kStatusOk;
    }
    double previous = enthalpy;
    double fPrevious = f;
    enthalpy *= f >= 0.0 ? 1.0005 : 0.9995;
    if (enthalpy == previous) {
        // A zero enthalpy does not move by a relative step.
        enthalpy += (f >= 0.0 ? 5e-4 : -5e-4) * std::max(std::abs(scale), 1.0);
    }
    for (int step = 0; step < kSecantSteps; ++step) {
        f = difference(enthalpy);
        if (std::abs(f) < kTemperatureTolerance) {
            return kStatusOk;
        }
        if (std::abs(f - fPrevious) < 1e-6) {
            // No further progress: the outlets agree when what is left is within the
            // flash's own precision, and not otherwise.
            return std::abs(f) < kStalledTemperatureTolerance ? kStatusOk : kStatusFail;
        }
        const double next = enthalpy - (enthalpy - previous) * f / (f - fPrevious);
        previous = enthalpy;
        fPrevious = f;
        enthalpy = next;
    }
    return kStatusFail;
}
