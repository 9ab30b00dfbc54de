// Compounds of the host: their list, constants, temperature- and pressure-dependent
// pure-component properties, and the universal constants.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/vocabulary.h"

namespace brixel {
namespace {

constexpr double kMonitorPressure = 100000.0;      // Pa, for the pure-component monitors
constexpr double kGramsPerKilogram = 1000.0;       // per kmol to per mol
constexpr double kBubbleStartTemperature = 300.0;  // K

struct UniversalConstant {
    const wchar_t* name;
    double value;
};
// CODATA 1998 values in SI units: m/s2, 1/mol, J/K, J/(mol K), m/s.
constexpr std::array<UniversalConstant, 5> kUniversalConstants{{
    {L"standardAccelerationOfGravity", kStandardGravity},
    {L"avogadroConstant", 6.02214199e23},
    {L"boltzmannConstant", 1.3806503e-23},
    {L"molarGasConstant", 8.314472},
    {L"speedOfLightInVacuum", 299792458.0},
}};

struct HostConstant {
    const wchar_t* name;
    const char* parameter;
    double divisor;
};
constexpr std::array<HostConstant, 5> kHostConstants{{
    {L"normalBoilingPoint", "TB", 1.0},
    {L"criticalTemperature", "TC", 1.0},
    {L"criticalPressure", "PC", 1.0},
    {L"molecularWeight", "MW", kGramsPerKilogram},  // kg/kmol to kg/mol
    {L"normalFreezingPoint", "TFP", 1.0},
}};

int64_t ConventionalCount() {
    return std::max<int64_t>(brixel::ConventionalComponentCount(), 0);
}

int64_t NonconventionalCount() {
    return std::max<int64_t>(brixel::NonconventionalComponentCount(), 0);
}

std::string ConventionalId(int64_t index) {
    return brixel::ConventionalComponentId(index);
}

std::string NonconventionalId(int64_t index) {
    return brixel::NonconventionalComponentId(index);
}

bool SameId(const BSTR id, const std::string& hostId) {
    const CComBSTR wide(hostId.c_str());
    return compareBSTR(id, wide);
}

// Position of id among `count` components named by idOf, or -1.
int64_t FindId(const BSTR id, int64_t count, std::string (*idOf)(int64_t)) {
    for (int64_t i = 0; i < count; ++i) {
        if (SameId(id, idOf(i))) {
            return i;
        }
    }
    return -1;
}

// Position among the conventional / non-conventional components, or -1.
int64_t FindConventional(const BSTR id) {
    return FindId(id, ConventionalCount(), ConventionalId);
}

int64_t FindNonconventional(const BSTR id) {
    return FindId(id, NonconventionalCount(), NonconventionalId);
}

bool HasInlet(int inletCount, const int64_t* inlets) {
    return inletCount > 0 && inlets != nullptr;
}

// Destroys the array and creates a vector of `count` zeroed elements.
template <typename T>
long Recreate(CComSafeArray<T>& array, int64_t count) {
    if (count < 0 || count > std::numeric_limits<uint32_t>::max()) {
        return kStatusInvalidArgument;
    }
    const long status = array.Destroy();
    if (status != kStatusOk) {
        return status;
    }
    return array.Create(static_cast<uint32_t>(count));
}

// Stores a copy of narrow text; the framework's out-of-memory exception when it fails.
void PutText(CComSafeArray<BSTR>& array, long index, const std::string& text) {
    BSTR copy = AllocBstr(text);
    if (!copy) {
        throw std::bad_alloc();
    }
    array.SetAt(index, copy, false);
}

// Formula listed for the non-conventional components.
constexpr const char* kPseudoFormula = "PSEUDOCOMPONENT";

// Host formula of conventional component i (from 0).
std::string FormulaOf(int64_t i) {
    return brixel::ComponentFormula(i);
}

// Recreates `list` with one text per component: conventional(i) for the conventional ones,
// then nonconventional(j).
template <typename Conventional, typename Nonconventional>
long FillComponentTexts(CComSafeArray<BSTR>& list, Conventional conventional,
                        Nonconventional nonconventional) {
    const int64_t ncc = ConventionalCount();
    const int64_t nncc = NonconventionalCount();
    const long status = Recreate(list, ncc + nncc);
    if (status != kStatusOk) {
        return status;
    }
    for (int64_t i = 0; i < ncc; ++i) {
        PutText(list, static_cast<long>(i), conventional(i));
    }
    for (int64_t j = 0; j < nncc; ++j) {
        PutText(list, static_cast<long>(ncc + j), nonconventional(j));
    }
    return kStatusOk;
}

// Element count of a one-dimensional input list; throws 0x80070057 for other shapes.
int64_t CountOf(const CComSafeArray<BSTR>& list) {
    if (list.GetDimensions() != 1) {
        throw kStatusInvalidArgument;
    }
    return list.GetCount();
}

// The host property-method set, or a set of zeros when the unit has none bound.
const int64_t* MethodSetOr(const int64_t* methodSet) {
    static const std::array<int64_t, 16> kNone{};
    return methodSet ? methodSet : kNone.data();
}

// Fills values[i * compounds + j] with single(property i, compound j); the first failing call
// is thrown as its status. Shared by the T- and P-dependent array forms.
template <typename Single>
void FillPropertyTable(const CComSafeArray<BSTR>& properties,
                       const CComSafeArray<BSTR>& compoundIds, CComSafeArray<double>& values,
                       Single single) {
    const int64_t propertyCount = CountOf(properties);
    const int64_t compoundCount = CountOf(compoundIds);
    const long status = Recreate(values, propertyCount * compoundCount);
    if (status != kStatusOk) {
        throw status;
    }
    for (int64_t i = 0; i < propertyCount; ++i) {
        const CComBSTR property(properties.GetAt(properties.GetLowerBound() + i));
        for (int64_t j = 0; j < compoundCount; ++j) {
            double value = 0.0;
            const long result = single(
                property, CComBSTR(compoundIds.GetAt(compoundIds.GetLowerBound() + j)), &value);
            if (result != kStatusOk) {
                throw result;
            }
            values.SetAt(i * compoundCount + j, value);
        }
    }
}

}  // namespace
}  // namespace brixel

namespace bx = brixel;

long CBrixelBaseUnit::GetNumCompounds(int* count) {
    if (!count) {
        return bx::kStatusNullPointer;
    }
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusFail;
    }
    *count = static_cast<int>(bx::ConventionalCount() + bx::NonconventionalCount());
    return bx::kStatusOk;
}

int CBrixelBaseUnit::GetComponentIndex(const CComBSTR& id) {
    int64_t found = bx::FindConventional(id);
    if (found < 0) {
        found = bx::FindNonconventional(id);
    }
    if (found < 0) {
        throw bx::kStatusFail;
    }
    return static_cast<int>(found);
}

long CBrixelBaseUnit::GetCompoundList(CComSafeArray<BSTR>& ids) {
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusFail;
    }
    return bx::FillComponentTexts(ids, bx::ConventionalId, bx::NonconventionalId);
}

long CBrixelBaseUnit::GetCompoundList(CComSafeArray<BSTR>& ids, CComSafeArray<BSTR>& formulae,
                                      CComSafeArray<BSTR>& names,
                                      CComSafeArray<double>& boilingPoints,
                                      CComSafeArray<double>& molecularWeights,
                                      CComSafeArray<BSTR>& casNumbers) {
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusFail;
    }
    const int64_t ncc = bx::ConventionalCount();
    const int64_t nncc = bx::NonconventionalCount();
    for (const long status :
         {bx::Recreate(ids, ncc + nncc), bx::Recreate(formulae, ncc + nncc),
          bx::Recreate(names, ncc + nncc), bx::Recreate(boilingPoints, ncc + nncc),
          bx::Recreate(molecularWeights, ncc + nncc), bx::Recreate(casNumbers, ncc + nncc)}) {
        if (status != bx::kStatusOk) {
            return status;
        }
    }
    for (int64_t i = 0; i < ncc; ++i) {
        const std::string id = bx::ConventionalId(i);
        bx::PutText(ids, i, id);
        bx::PutText(formulae, i, bx::FormulaOf(i));
        bx::PutText(names, i, id);
        boilingPoints.SetAt(i, brixel::ComponentParameterById("TB", id));
        molecularWeights.SetAt(i, brixel::ComponentMolecularWeight(i));
        bx::PutText(casNumbers, i, brixel::ComponentCas(i));
    }
    for (int64_t j = 0; j < nncc; ++j) {
        const std::string id = bx::NonconventionalId(j);
        const long k = ncc + j;
        bx::PutText(ids, k, id);
        bx::PutText(formulae, k, bx::kPseudoFormula);
        bx::PutText(names, k, id);
        boilingPoints.SetAt(k, m_dblRMiss);
        molecularWeights.SetAt(k, 1.0);
        bx::PutText(casNumbers, k, "000-00-0000");
    }
    return bx::kStatusOk;
}

long CBrixelBaseUnit::GetCompoundFormulae(CComSafeArray<BSTR>& formulae) {
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusFail;
    }
    return bx::FillComponentTexts(formulae, bx::FormulaOf,
                                  [](int64_t) { return std::string(bx::kPseudoFormula); });
}

long CBrixelBaseUnit::GetCompoundConstant(const CComBSTR& property, const CComBSTR& compoundId,
                                          VARIANT* value) {
    if (!value) {
        return bx::kStatusNullPointer;
    }
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusOk;
    }
    const int64_t conventional = bx::FindConventional(compoundId);
    if (conventional < 0 && bx::FindNonconventional(compoundId) < 0) {
        return bx::kStatusCapeInvalidArgument;
    }
    // Non-conventional components have no host parameters.
    double result = m_dblRMiss;
    if (conventional >= 0) {
        const std::string id = bx::ConventionalId(conventional);
        if (compareBSTR(property, CComBSTR(L"heatOfVaporizationAtNormalBoilingPoint"))) {
            const double boilingPoint = brixel::ComponentParameterById("TB", id);
            if (bx::IsGiven(boilingPoint)) {
                const long status = GetTDependentProperty(CComBSTR(L"heatOfVaporization"),
                                                          boilingPoint, compoundId, &result);
                if (status != bx::kStatusOk) {
                    return status;
                }
            }
        } else {
            std::string parameter = bx::ToStdString(property);
            double divisor = 1.0;
            for (const bx::HostConstant& constant : bx::kHostConstants) {
                if (compareBSTR(property, CComBSTR(constant.name))) {
                    parameter = constant.parameter;
                    divisor = constant.divisor;
                    break;
                }
            }
            const double stored = brixel::ComponentParameterById(parameter, id);
            // A missing parameter stays the missing marker rather than a scaled copy of it.
            result = bx::IsGiven(stored) ? stored / divisor : m_dblRMiss;
        }
    }
    CComVariant answer(result);
    return answer.Detach(value);
}

long CBrixelBaseUnit::GetCompoundConstant(CComSafeArray<BSTR> properties,
                                          CComSafeArray<BSTR> compoundIds,
                                          CComSafeArray<VARIANT>& values) {
    if (!bx::HasInlet(m_nInlets, m_pInlets) || !properties.m_psa || !compoundIds.m_psa) {
        return bx::kStatusOk;
    }
    return brixel::GuardedCall([&]() -> long {
        const int64_t propertyCount = bx::CountOf(properties);
        const int64_t compoundCount = bx::CountOf(compoundIds);
        const long status = bx::Recreate(values, propertyCount * compoundCount);
        if (status != bx::kStatusOk) {
            return status;
        }
        for (int64_t i = 0; i < propertyCount; ++i) {
            const CComBSTR property(properties.GetAt(properties.GetLowerBound() + i));
            for (int64_t j = 0; j < compoundCount; ++j) {
                CComVariant value;
                const long single = GetCompoundConstant(
                    property, CComBSTR(compoundIds.GetAt(compoundIds.GetLowerBound() + j)), &value);
                if (single != bx::kStatusOk) {
                    return single;
                }
                values.SetAt(i * compoundCount + j, value);
            }
        }
        return bx::kStatusOk;
    });
}

long CBrixelBaseUnit::GetTDependentProperty(const CComBSTR& property, double temperature,
                                            const CComBSTR& compoundId, double* value,
                                            int phaseId) {
    if (!value) {
        return bx::kStatusNullPointer;
    }
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusOk;
    }
    const bool vaporPressure = compareBSTR(property, CComBSTR(L"vaporPressure"));
    const bool vaporization = compareBSTR(property, CComBSTR(L"heatOfVaporization"));
    const bool density = compareBSTR(property, CComBSTR(L"density"));
    if (!vaporPressure && !vaporization && !density) {
        return bx::kStatusOk;
    }
    if (!std::isfinite(temperature) || temperature <= 0.0) {
        return bx::kStatusInvalidArgument;
    }
    int64_t c = bx::FindConventional(compoundId);
    const int64_t printLevel = GetIscpOf(1);
    const int64_t* methodSet = bx::MethodSetOr(m_pNBOPST);
    const double pressure = bx::kMonitorPressure;
    const double pure = 1.0;
    const int64_t one = 1;
    const int64_t number = c + 1;

    if (density) {
        if (c < 0) {
            // Found among the non-conventional components or not at all; the host monitors
            // know the conventional ones only.
            return bx::kStatusFail;
        }
        if (phaseId != bx::kPhaseSolid && phaseId != bx::kPhaseLiquid) {
            return bx::kStatusFail;
        }
        double volume = 0.0;
        int64_t error = 0;
        if (phaseId == bx::kPhaseSolid) {
            HostSolidMolarVolume(&temperature, &pressure, &pure, &one, &number, methodSet,
                                 &printLevel, &volume, &error);
        } else {
            HostLiquidMolarVolume(&temperature, &pressure, &pure, &one, &number, methodSet,
                                  &printLevel, &volume, &error);
        }
        if (error != 0 || !std::isfinite(volume) || volume <= 0.0) {
            return bx::kStatusCapeUnknown;
        }
        *value = brixel::ComponentMolecularWeight(c) / volume;  // kg/m3
        return bx::kStatusOk;
    }

    if (c < 0) {
        if (bx::FindNonconventional(compoundId) < 0) {
            return bx::kStatusCapeInvalidArgument;
        }
        *value = vaporPressure ? 0.0 : m_dblRMiss;
        return bx::kStatusOk;
    }
    if (vaporPressure) {
        if (IsSolidComp(c)) {
            *value = 0.0;
            return bx::kStatusOk;
        }
        double logarithm = 0.0;
        int64_t error = 0;
        HostVaporPressure(&temperature, &number, &printLevel, &logarithm, &error);
        const double pascal = std::exp(logarithm);
        if (error != 0 || !std::isfinite(pascal)) {
            return bx::kStatusCapeUnknown;
        }
        *value = pascal;
        return bx::kStatusOk;
    }
    const int64_t noDerivative = 0;
    double vapor = 0.0;
    double liquid = 0.0;
    double unused = 0.0;
    int64_t vaporError = 0;
    int64_t liquidError = 0;
    HostVaporEnthalpy(&temperature, &pressure, &pure, &one, &number, methodSet, &printLevel,
                      &noDerivative, &vapor, &unused, &vaporError);
    HostLiquidEnthalpy(&temperature, &pressure, &pure, &one, &number, methodSet, &printLevel,
                       &noDerivative, &liquid, &unused, &liquidError);
    const double difference = (vapor - liquid) / bx::kGramsPerKilogram;  // J/kmol to J/mol
    if (vaporError != 0 || liquidError != 0 || !std::isfinite(difference)) {
        return bx::kStatusCapeUnknown;
    }
    *value = difference;
    return bx::kStatusOk;
}

long CBrixelBaseUnit::GetTDependentProperty(CComSafeArray<BSTR> properties, double temperature,
                                            CComSafeArray<BSTR> compoundIds,
                                            CComSafeArray<double>& values) {
    if (!bx::HasInlet(m_nInlets, m_pInlets) || !properties.m_psa || !compoundIds.m_psa) {
        return bx::kStatusOk;
    }
    bx::FillPropertyTable(properties, compoundIds, values,
                          [&](const CComBSTR& property, const CComBSTR& compound, double* value) {
                              return GetTDependentProperty(property, temperature, compound, value,
                                                           bx::kNoPhase);
                          });
    return bx::kStatusOk;
}

long CBrixelBaseUnit::GetPDependentProperty(const CComBSTR& property, double pressure,
                                            const CComBSTR& compoundId, double* value) {
    if (!value) {
        return bx::kStatusNullPointer;
    }
    if (!bx::HasInlet(m_nInlets, m_pInlets)) {
        return bx::kStatusOk;
    }
    if (compareBSTR(property, CComBSTR(L"meltingTemperature"))) {
        CComVariant constant;
        const long status =
            GetCompoundConstant(CComBSTR(L"normalFreezingPoint"), compoundId, &constant);
        if (status == bx::kStatusOk) {
            *value = constant.dblVal;
        }
        return status;
    }
    if (!compareBSTR(property, CComBSTR(L"boilingPointTemperature"))) {
        return bx::kStatusOk;
    }
    // A pressure of 0 or below would be read by the flash as a pressure drop.
    if (!std::isfinite(pressure) || pressure <= 0.0) {
        return bx::kStatusInvalidArgument;
    }
    int64_t c = bx::FindConventional(compoundId);
    if (c < 0) {
        if (bx::FindNonconventional(compoundId) < 0) {
            return bx::kStatusCapeInvalidArgument;
        }
        *value = m_dblRMiss;
        return bx::kStatusOk;
    }
    return brixel::GuardedCall([&]() -> long {
        // Made on first use and kept; made again if someone has removed it since.
        if (std::find(m_naInternalStreams.begin(), m_naInternalStreams.end(),
                      m_nBoilingPointStream) == m_naInternalStreams.end()) {
            m_nBoilingPointStream = CreateInternalStream(0);
        }
        const int bead = m_nBoilingPointStream;
        // 1 kg/s of the pure component in the mixed substream.
        CComSafeArray<double> massFlows(static_cast<uint32_t>(bx::ConventionalCount()));
        massFlows.SetAt(static_cast<long>(c), 1.0);
        const long status =
            SetSinglePhaseProp(bead, bx::kPropertyFlow, 0, massFlows, bx::kBasisMass, 1);
        if (status != bx::kStatusOk) {
            return status;
        }
        // Bubble point: PV flash at vapour fraction 0 of the mixed substream alone.
        if (!FlashStream(bead, bx::kFlashPV, pressure, 0.0, bx::kBubbleStartTemperature, true, 0)) {
            return bx::kStatusFail;
        }
        return GetTemperature(bead, value);
    });
}

long CBrixelBaseUnit::GetPDependentProperty(CComSafeArray<BSTR> properties, double pressure,
                                            CComSafeArray<BSTR> compoundIds,
                                            CComSafeArray<double>& values) {
    if (!bx::HasInlet(m_nInlets, m_pInlets) || !properties.m_psa || !compoundIds.m_psa) {
        return bx::kStatusOk;
    }
    bx::FillPropertyTable(properties, compoundIds, values,
                          [&](const CComBSTR& property, const CComBSTR& compound, double* value) {
                              return GetPDependentProperty(property, pressure, compound, value);
                          });
    return bx::kStatusOk;
}

long CBrixelBaseUnit::GetUniversalConstant(const CComBSTR& name, double* value) {
    if (!value) {
        return bx::kStatusNullPointer;
    }
    for (const bx::UniversalConstant& constant : bx::kUniversalConstants) {
        if (compareBSTR(name, CComBSTR(constant.name))) {
            *value = constant.value;
            return bx::kStatusOk;
        }
    }
    return bx::kStatusCapeInvalidArgument;
}

long CBrixelBaseUnit::GetUniversalConstantList(CComSafeArray<BSTR>& names) {
    const long status = bx::Recreate(names, bx::kUniversalConstants.size());
    if (status != bx::kStatusOk) {
        return status;
    }
    for (std::size_t i = 0; i < bx::kUniversalConstants.size(); ++i) {
        const long stored =
            names.SetAt(static_cast<long>(i), CComBSTR(bx::kUniversalConstants[i].name));
        if (stored != bx::kStatusOk) {
            throw std::bad_alloc();
        }
    }
    return bx::kStatusOk;
}

bool CBrixelBaseUnit::isIon(const CComBSTR& compoundId) {
    constexpr int kElectrolyteWord = 2;  // third word of the property-method set
    if (!m_pNBOPST || m_pNBOPST[kElectrolyteWord] == 0) {
        return false;
    }
    int64_t location = 0;
    int64_t count = 0;
    HostElectrolyteSalts(&location, &count);
    const int64_t index = GetComponentIndex(compoundId);
    const int64_t ncc = bx::ConventionalCount();
    // Only conventional components appear in the salt table.
    if (count != ncc || count < 1 || bx::FindConventional(compoundId) < 0) {
        return false;
    }
    const double* table = bx::plex::RealAt(location);
    if (!table || !bx::plex::RealAt(location + ncc * ncc - 1)) {
        return false;
    }
    const double* row = table + index * ncc;
    return std::any_of(row, row + ncc, [](double entry) { return entry != 0.0; });
}

long CBrixelBaseUnit::GetConstPropList(CComSafeArray<BSTR>& /*names*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetTDependentPropList(CComSafeArray<BSTR>& /*names*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetPDependentPropList(CComSafeArray<BSTR>& /*names*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetPhaseList(CComSafeArray<BSTR>& /*labels*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetPhaseInfo(const CComBSTR& /*label*/, const CComBSTR& /*key*/,
                                   VARIANT* /*value*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetSinglePhasePropList(CComSafeArray<BSTR>& /*names*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetTwoPhasePropList(CComSafeArray<BSTR>& /*names*/) {
    return bx::kStatusFail;
}

long CBrixelBaseUnit::GetCompoundProperty(const CComBSTR& /*property*/,
                                          const CComBSTR& /*compoundId*/, VARIANT* /*value*/) {
    return bx::kStatusFail;
}
