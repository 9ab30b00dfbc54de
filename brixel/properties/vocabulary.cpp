// The names of properties, bases and phases, the translation of a phase id into a substream,
// and the string and array helpers of the property layer.
#include "brixel/properties/vocabulary.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"

namespace brixel {
namespace {

// Property names by id; id 12 has no name.
constexpr std::array<const wchar_t*, 16> kPropertyNames{L"totalFlow",      L"temperature",
                                                        L"pressure",       L"enthalpy",
                                                        L"entropy",        L"flow",
                                                        L"fraction",       L"density",
                                                        L"phaseFraction",  L"viscosity",
                                                        L"heatCapacityCP", L"diffusionCoefficient",
                                                        nullptr,           L"thermalConductivity",
                                                        L"surfaceTension", L"speedOfSound"};

struct NamedId {
    const wchar_t* name;
    int id;
};
constexpr std::array<NamedId, 3> kBases{{{L"mass", 0}, {L"mole", 1}, {L"T", 2}}};
constexpr std::array<NamedId, 3> kPhases{{{L"vapor", -1}, {L"liquid", -2}, {L"solid", -3}}};

constexpr double kRunTolerance = 1e-10;  // values closer than this count as equal
constexpr double kSmallestKept = 1e-15;  // PackComps drops values not above this

wchar_t FoldCase(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Compares text that need not be a BSTR (a literal of the tables) with a BSTR.
bool EqualsName(const BSTR text, const wchar_t* name) {
    const unsigned int length = SysStringLen(text);
    unsigned int i = 0;
    for (; i < length && name[i] != L'\0'; ++i) {
        if (FoldCase(text[i]) != FoldCase(name[i])) {
            return false;
        }
    }
    return i == length && name[i] == L'\0';
}

template <std::size_t N>
int LookUp(const std::array<NamedId, N>& table, const BSTR name) {
    for (const NamedId& entry : table) {
        if (EqualsName(name, entry.name)) {
            return entry.id;
        }
    }
    throw kStatusInvalidArgument;
}

// Position of text in a one-dimensional list, or -1.
int PositionIn(const BSTR text, const SAFEARRAY* list) {
    if (!list || SafeArrayGetDim(list) != 1) {
        return -1;
    }
    VARTYPE type = VT_EMPTY;
    if (SafeArrayGetVartype(list, &type) != kStatusOk || type != VT_BSTR) {
        return -1;
    }
    const auto* elements = static_cast<const BSTR*>(list->pvData);
    const uint32_t count = list->rgsabound[0].cElements;
    for (uint32_t i = 0; i < count && i <= static_cast<uint32_t>(std::numeric_limits<int>::max());
         ++i) {
        if (compareBSTR(elements[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

double NumberOf(const VARIANT& element) {
    if (element.vt == VT_R8) {
        return element.dblVal;
    }
    CComVariant converted;
    if (converted.ChangeType(VT_R8, &element) != kStatusOk) {
        throw kStatusInvalidArgument;
    }
    return converted.dblVal;
}

}  // namespace

CComSafeArray<BSTR> OverallSpecification(const wchar_t* property) {
    CComSafeArray<BSTR> specification;
    for (const wchar_t* text : {property, L"", L"Overall"}) {
        if (specification.Add(CComBSTR(text)) != kStatusOk) {
            throw kStatusFail;
        }
    }
    return specification;
}

}  // namespace brixel

bool compareBSTR(const BSTR a, const BSTR b) {
    const unsigned int length = SysStringLen(a);
    if (length != SysStringLen(b)) {
        return false;
    }
    for (unsigned int i = 0; i < length; ++i) {
        if (brixel::FoldCase(a[i]) != brixel::FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsInSafeArray(const BSTR text, const CComSafeArray<BSTR>& list) {
    return brixel::PositionIn(text, list.m_psa) >= 0;
}

bool IsInSafeArray(const BSTR text, const CComSafeArray<BSTR>& list, int& position) {
    const int found = brixel::PositionIn(text, list.m_psa);
    if (found < 0) {
        return false;
    }
    position = found;
    return true;
}

bool IsInSafeArray(const BSTR text, const VARIANT& list) {
    if (list.vt != (VT_ARRAY | VT_BSTR)) {
        return false;
    }
    return brixel::PositionIn(text, list.parray) >= 0;
}

int GetIndexOfNSmallestValue(int n, const CComSafeArray<VARIANT>& values) {
    if (n == 0) {
        return 0;
    }
    if (n < 0 || !values.m_psa || values.GetDimensions() != 1) {
        return -1;
    }
    std::vector<double> numbers;
    numbers.reserve(values.GetCount());
    for (long i = values.GetLowerBound(); i <= values.GetUpperBound(); ++i) {
        numbers.push_back(brixel::NumberOf(values.GetAt(i)));
    }
    int previous = -1;  // position found by the last pass; -1 before the first
    for (int pass = 0; pass < n; ++pass) {
        int chosen = -1;
        for (int i = 0; i < static_cast<int>(numbers.size()); ++i) {
            const double value = numbers[static_cast<std::size_t>(i)];
            if (previous >= 0) {
                const double last = numbers[static_cast<std::size_t>(previous)];
                // The next of a run of equal values comes before anything larger.
                if (i > previous &&
                    (value == last || std::fabs(value - last) < brixel::kRunTolerance)) {
                    chosen = i;
                    break;
                }
                if (!(value > last)) {
                    continue;
                }
            } else if (std::isnan(value)) {
                continue;
            }
            if (chosen < 0 || value < numbers[static_cast<std::size_t>(chosen)]) {
                chosen = i;
            }
        }
        if (chosen < 0) {
            return -1;
        }
        previous = chosen;
    }
    return previous;
}

void PackComps(int64_t& count, int64_t* components, double* values) {
    if (count < 1) {
        count = 0;
        return;
    }
    if (!components || !values) {
        throw brixel::kStatusNullPointer;
    }
    int64_t kept = 0;
    for (int64_t i = 0; i < count; ++i) {
        if (values[i] > brixel::kSmallestKept) {
            components[kept] = components[i];
            values[kept] = values[i];
            ++kept;
        }
    }
    count = kept;
}

int CBrixelBaseUnit::GetPropertyID(const CComBSTR& name) {
    for (std::size_t id = 0; id < brixel::kPropertyNames.size(); ++id) {
        const wchar_t* entry = brixel::kPropertyNames[id];
        if (entry && brixel::EqualsName(name, entry)) {
            return static_cast<int>(id);
        }
    }
    throw brixel::kStatusInvalidArgument;
}

int CBrixelBaseUnit::GetPropertyBasis(const CComBSTR& name) {
    return brixel::LookUp(brixel::kBases, name);
}

int CBrixelBaseUnit::GetPhaseIDFromPhaseLabel(const CComBSTR& label) {
    return brixel::LookUp(brixel::kPhases, label);
}

int CBrixelBaseUnit::GetSubstreamNumberFromPhaseID(const int& phaseId, const int64_t* streamClass,
                                                   int after) {
    const brixel::StreamClassView view(streamClass);
    const int64_t count = view.SubstreamCount();
    if (count < 1 || phaseId > count - 1) {
        return brixel::kNoPhase;
    }
    if (phaseId >= 0) {
        return phaseId;
    }
    if (phaseId == brixel::kPhaseVapor || phaseId == brixel::kPhaseLiquid) {
        return 0;  // vapour and liquid share the mixed substream
    }
    if (phaseId == brixel::kPhaseSolid) {
        for (int64_t k = std::max<int64_t>(int64_t{after} + 1, 0); k < count; ++k) {
            if (view.Type(k) != brixel::records::kMixed) {
                return static_cast<int>(k);
            }
        }
    }
    return brixel::kNoPhase;
}

CComBSTR CBrixelBaseUnit::GetPhaseName(const CString& /*portName*/, const CString& label) {
    if (m_nInlets < 1) {
        return CComBSTR();
    }
    return CComBSTR(static_cast<const char*>(label));
}

long CBrixelBaseUnit::GetNumPhases(const CString& /*portName*/, int* count) {
    if (!count) {
        return brixel::kStatusNullPointer;
    }
    if (m_nInlets < 1 || !m_pInlets) {
        return brixel::kStatusFail;
    }
    const int64_t* streamClass = StreamClassOf(BeadOf(0));
    if (!streamClass) {
        return brixel::kStatusFail;
    }
    // The mixed substream holds two phases, vapour and liquid.
    *count = GetNSubs(streamClass) + 1;
    return brixel::kStatusOk;
}
