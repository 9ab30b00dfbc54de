// Name forms of the phase-property operations: property, phase and basis by name, the stream
// by number or port name. A failed lookup is returned as the status.
#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"

using namespace brixel;

std::vector<int> CBrixelBaseUnit::PhaseIdsFromLabels(const CComSafeArray<BSTR>& labels) {
    std::vector<int> ids;
    if (labels.GetDimensions() != 1) {
        throw kStatusInvalidArgument;
    }
    for (long i = labels.GetLowerBound(); i <= labels.GetUpperBound(); ++i) {
        CComBSTR label(static_cast<const OLECHAR*>(labels.GetAt(i)));
        ids.push_back(GetPhaseIDFromPhaseLabel(label));
    }
    return ids;
}

int CBrixelBaseUnit::PortStream(const CString& port) {
    return GetPortNumberFromName(port);
}

// ---- overall --------------------------------------------------------------------------

long CBrixelBaseUnit::GetOverallProp(int64_t stream, const CComBSTR& property, double* value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(stream, GetPropertyID(property), value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetOverallProp(const CString& port, const CComBSTR& property, double* value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(PortStream(port), GetPropertyID(property), value,
                              GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetOverallProp(const CString& port, int propertyId, double* value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(PortStream(port), propertyId, value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetOverallProp(int64_t stream, const CComBSTR& property,
                                     CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(stream, GetPropertyID(property), values, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetOverallProp(const CString& port, const CComBSTR& property,
                                     CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(PortStream(port), GetPropertyID(property), values,
                              GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetOverallProp(const CString& port, int propertyId,
                                     CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetOverallProp(PortStream(port), propertyId, values, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(int64_t stream, const CComBSTR& property, double value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(stream, GetPropertyID(property), value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(const CString& port, const CComBSTR& property, double value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(PortStream(port), GetPropertyID(property), value,
                              GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(const CString& port, int propertyId, double value,
                                     const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(PortStream(port), propertyId, value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(int64_t stream, const CComBSTR& property,
                                     const CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(stream, GetPropertyID(property), values, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(const CString& port, const CComBSTR& property,
                                     const CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(PortStream(port), GetPropertyID(property), values,
                              GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetOverallProp(const CString& port, int propertyId,
                                     const CComSafeArray<double>& values, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetOverallProp(PortStream(port), propertyId, values, GetPropertyBasis(basis));
    });
}

// ---- single phase ---------------------------------------------------------------------

long CBrixelBaseUnit::GetSinglePhaseProp(int64_t stream, const CComBSTR& property,
                                         const CComBSTR& phase, double* value,
                                         const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(stream, GetPropertyID(property), GetPhaseIDFromPhaseLabel(phase),
                                  value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(const CString& port, const CComBSTR& property,
                                         const CComBSTR& phase, double* value,
                                         const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(PortStream(port), GetPropertyID(property),
                                  GetPhaseIDFromPhaseLabel(phase), value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                                         double* value, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(PortStream(port), propertyId, GetPhaseIDFromPhaseLabel(phase),
                                  value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(int64_t stream, const CComBSTR& property,
                                         const CComBSTR& phase, CComSafeArray<double>& values,
                                         const CComBSTR& basis, int wet) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(stream, GetPropertyID(property), GetPhaseIDFromPhaseLabel(phase),
                                  values, GetPropertyBasis(basis), wet);
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(const CString& port, const CComBSTR& property,
                                         const CComBSTR& phase, CComSafeArray<double>& values,
                                         const CComBSTR& basis, int wet) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(PortStream(port), GetPropertyID(property),
                                  GetPhaseIDFromPhaseLabel(phase), values, GetPropertyBasis(basis),
                                  wet);
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                                         CComSafeArray<double>& values, const CComBSTR& basis,
                                         int wet) {
    return brixel::GuardedCall([&] {
        return GetSinglePhaseProp(PortStream(port), propertyId, GetPhaseIDFromPhaseLabel(phase),
                                  values, GetPropertyBasis(basis), wet);
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(int64_t stream, const CComBSTR& property,
                                         const CComBSTR& phase, double value,
                                         const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(stream, GetPropertyID(property), GetPhaseIDFromPhaseLabel(phase),
                                  value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(const CString& port, const CComBSTR& property,
                                         const CComBSTR& phase, double value,
                                         const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(PortStream(port), GetPropertyID(property),
                                  GetPhaseIDFromPhaseLabel(phase), value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                                         double value, const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(PortStream(port), propertyId, GetPhaseIDFromPhaseLabel(phase),
                                  value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(int64_t stream, const CComBSTR& property,
                                         const CComBSTR& phase, const CComSafeArray<double>& values,
                                         const CComBSTR& basis, int wet) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(stream, GetPropertyID(property), GetPhaseIDFromPhaseLabel(phase),
                                  values, GetPropertyBasis(basis), wet);
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(const CString& port, const CComBSTR& property,
                                         const CComBSTR& phase, const CComSafeArray<double>& values,
                                         const CComBSTR& basis, int wet) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(PortStream(port), GetPropertyID(property),
                                  GetPhaseIDFromPhaseLabel(phase), values, GetPropertyBasis(basis),
                                  wet);
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                                         const CComSafeArray<double>& values, const CComBSTR& basis,
                                         int wet) {
    return brixel::GuardedCall([&] {
        return SetSinglePhaseProp(PortStream(port), propertyId, GetPhaseIDFromPhaseLabel(phase),
                                  values, GetPropertyBasis(basis), wet);
    });
}

// ---- two phases -----------------------------------------------------------------------

long CBrixelBaseUnit::GetTwoPhaseProp(int64_t stream, const CComBSTR& property,
                                      const CComSafeArray<BSTR>& phases, double* value,
                                      const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetTwoPhaseProp(stream, GetPropertyID(property), PhaseIdsFromLabels(phases), value,
                               GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetTwoPhaseProp(const CString& port, const CComBSTR& property,
                                      const CComSafeArray<BSTR>& phases, double* value,
                                      const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetTwoPhaseProp(PortStream(port), GetPropertyID(property),
                               PhaseIdsFromLabels(phases), value, GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::GetTwoPhaseProp(const CString& port, int propertyId,
                                      const CComSafeArray<BSTR>& phases, double* value,
                                      const CComBSTR& basis) {
    return brixel::GuardedCall([&] {
        return GetTwoPhaseProp(PortStream(port), propertyId, PhaseIdsFromLabels(phases), value,
                               GetPropertyBasis(basis));
    });
}

long CBrixelBaseUnit::SetTwoPhaseProp(int64_t /*stream*/, const CComBSTR& /*property*/,
                                      const CComSafeArray<BSTR>& /*phases*/, double /*value*/,
                                      const CComBSTR& /*basis*/) {
    return kStatusFail;  // not provided
}

long CBrixelBaseUnit::SetTwoPhaseProp(const CString& /*port*/, const CComBSTR& /*property*/,
                                      const CComSafeArray<BSTR>& /*phases*/, double /*value*/,
                                      const CComBSTR& /*basis*/) {
    return kStatusFail;  // not provided
}

long CBrixelBaseUnit::CalcSinglePhaseProp(const CString& /*port*/,
                                          const CComSafeArray<BSTR>& /*properties*/,
                                          const CComBSTR& /*phase*/) {
    return kStatusOk;  // properties are evaluated when read
}

long CBrixelBaseUnit::CalcSinglePhaseProp(const CString& /*port*/, const CComBSTR& /*property*/,
                                          const CComBSTR& /*phase*/) {
    return kStatusOk;
}
