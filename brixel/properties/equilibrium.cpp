// Phase equilibrium of a stream under two specifications named as property, basis and phase.
// The specified values are not passed: they are those the stream already holds, and the flash
// kind is chosen from the pair.
#include <climits>
#include <new>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/vocabulary.h"

namespace brixel {
namespace {

// Elements of a specification: property, basis, phase label (more may follow, unread).
constexpr uint32_t kSpecificationElements = 3;

enum class Specified { kNothing, kTemperature, kPressure, kEnthalpy, kVaporFraction };

struct Specification {
    Specified what = Specified::kNothing;
    bool massBasis = false;  // a vapour fraction given per kg
};

bool Is(BSTR text, const char* name) {
    return compareBSTR(text, CComBSTR(name));
}

Specification Classify(const CComSafeArray<BSTR>& specification) {
    if (specification.GetDimensions() != 1 || specification.GetCount() < kSpecificationElements) {
        return {};
    }
    const long first = specification.GetLowerBound();
    const BSTR property = specification.GetAt(first);
    const BSTR basis = specification.GetAt(first + 1);
    const BSTR phase = specification.GetAt(first + 2);
    // The fraction's phase label is not read: the flash always takes the vapour's.
    if (Is(property, "phaseFraction")) {
        return {Specified::kVaporFraction, Is(basis, "mass")};
    }
    if (!Is(basis, "") || !Is(phase, "Overall")) {
        return {};
    }
    if (Is(property, "temperature")) {
        return {Specified::kTemperature, false};
    }
    if (Is(property, "pressure")) {
        return {Specified::kPressure, false};
    }
    if (Is(property, "enthalpy")) {
        return {Specified::kEnthalpy, false};
    }
    return {};
}

bool IsPair(const Specification& a, const Specification& b, Specified x, Specified y) {
    return (a.what == x && b.what == y) || (a.what == y && b.what == x);
}

void ThrowOnFailure(long status) {
    if (status != kStatusOk) {
        throw status;
    }
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

using namespace brixel;

long CBrixelBaseUnit::CalcEquilibrium(int64_t stream, const CComSafeArray<BSTR>& specification1,
                                      const CComSafeArray<BSTR>& specification2,
                                      const CComBSTR& /*solutionType*/) {
    try {
        if (stream < INT_MIN || stream > INT_MAX) {
            return kStatusInvalidArgument;
        }
        const int bead = ConvertPortToStreamBeadNumber(static_cast<int>(stream));
        const Specification first = Classify(specification1);
        const Specification second = Classify(specification2);

        double temperature = 0.0;
        const auto readTemperature = [&] {
            ThrowOnFailure(GetOverallProp(bead, kPropertyTemperature, &temperature, kBasisMass));
        };
        // The host's vapour fraction counts the MIXED substream only, so the stream's vapour
        // share is taken over that substream's flow: solids in other substreams would
        // otherwise lower it and the flash would condense vapour that the stream holds.
        const auto readVaporFraction = [&](bool massBasis) {
            double vapor = 0.0;
            double mixed = 0.0;
            ThrowOnFailure(
                GetSinglePhaseProp(bead, kPropertyTotalFlow, kPhaseVapor, &vapor, kBasisMole));
            ThrowOnFailure(GetSinglePhaseProp(bead, kPropertyTotalFlow, 0, &mixed, kBasisMole));
            const double fraction = mixed > 0.0 ? vapor / mixed : 0.0;
            // The flash takes a molar fraction; only a single-phase stream agrees on both bases.
            if (massBasis && IsTwoPhaseFraction(fraction)) {
                throw kStatusFail;
            }
            return fraction;
        };

        int kode = 0;
        double spec1 = 0.0;  // 0: the stream's own pressure
        double spec2 = 0.0;  // 0: no pressure change, or no duty
        if (IsPair(first, second, Specified::kTemperature, Specified::kPressure)) {
            kode = kFlashTP;
            readTemperature();
            spec1 = temperature;
        } else if (IsPair(first, second, Specified::kPressure, Specified::kEnthalpy)) {
            kode = kFlashPQ;
        } else if (IsPair(first, second, Specified::kPressure, Specified::kVaporFraction)) {
            kode = kFlashPV;
            spec2 = readVaporFraction(first.massBasis || second.massBasis);
        } else if (IsPair(first, second, Specified::kTemperature, Specified::kVaporFraction)) {
            kode = kFlashTV;
            readTemperature();
            spec1 = temperature;
            spec2 = readVaporFraction(first.massBasis || second.massBasis);
        } else {
            return kStatusFail;
        }
        return FlashStream(bead, kode, spec1, spec2, m_dblRMiss, true) ? kStatusOk : kStatusFail;
    } catch (long status) {
        return status;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return kStatusFail;
    }
}

long CBrixelBaseUnit::CalcEquilibrium(const CString& port,
                                      const CComSafeArray<BSTR>& specification1,
                                      const CComSafeArray<BSTR>& specification2,
                                      const CComBSTR& solutionType) {
    int stream = -1;
    try {
        if (!port.IsEmpty()) {
            stream = GetPortNumberFromName(port);
        }
        ConvertPortToStreamBeadNumber(stream);
    } catch (long status) {
        return status;
    }
    return CalcEquilibrium(stream, specification1, specification2, solutionType);
}

long CBrixelBaseUnit::CheckEquilibriumSpec(const CString& /*port*/,
                                           const CComSafeArray<BSTR>& /*specification1*/,
                                           const CComSafeArray<BSTR>& /*specification2*/,
                                           const CComBSTR& /*solutionType*/, bool* /*valid*/) {
    return kStatusFail;
}
