#include "brixel/models/distribution/distribution_changer.h"

#include <cmath>

#include "brixel/framework/records.h"
#include "brixel/properties/phase_properties.h"

namespace {

constexpr int kEstimateLevel = 3;
constexpr double kFlowTolerance = 1e-10;  // kg/s
constexpr int kInletPort = 0;
constexpr int kOutletPort = 1;

}  // namespace

CDistributionChanger::CDistributionChanger() {
    m_saPortNames.Add("INLET");
    m_saPortNames.Add("OUTLET");
    EnableOutput(true);
}

CDistributionChanger::~CDistributionChanger() = default;

void CDistributionChanger::ValidateData() {
    ClearValidationErrors();
    for (const auto& element : m_elements) {
        element->ValidateData();
    }
}

CSetDistributedProperty& CDistributionChanger::AddElement() {
    m_elements.push_back(std::make_unique<CSetDistributedProperty>(this));
    return *m_elements.back();
}

void CDistributionChanger::RestoreInletDistribution(const CSetDistributedProperty& element) {
    const int inlet = BeadOf(kInletPort);
    const int outlet = BeadOf(kOutletPort);
    if (const int64_t* streamClass = StreamClassOf(inlet)) {
        CComSafeArray<BSTR> names(1);
        names.SetAt(0, CComBSTR("PSD"));
        for (int s = 0; s < GetNSubs(streamClass); ++s) {
            if (!HasPSD(streamClass, s)) {
                continue;
            }
            CComBSTR unitName;
            CComSafeArray<VARIANT> mesh;
            CComSafeArray<double> psd;
            if (GetSolidAttribute(inlet, CComBSTR("PSD"), unitName, mesh, psd, s) == 0 &&
                psd.GetCount() > 0) {
                SetSolidAttribute(outlet, names, psd, s);
            }
        }
    }
    if (element.GetBypass() != 0.0) {
        double in = 0.0;
        double out = 0.0;
        if (GetOverallProp(inlet, brixel::kPropertyTotalFlow, &in, brixel::kBasisMass) == 0 &&
            GetOverallProp(outlet, brixel::kPropertyTotalFlow, &out, brixel::kBasisMass) == 0 &&
            std::fabs(out - in) > kFlowTolerance) {
            SetOverallProp(outlet, brixel::kPropertyTotalFlow, in, brixel::kBasisMass);
        }
    }
}

int CDistributionChanger::Run(int64_t estimate) {
    if (estimate == 1) {
        m_nErrorLevel = kEstimateLevel;
    }
    ValidateData();
    if (HasValidationErrors()) {
        return 2;
    }
    const int inlet = BeadOf(kInletPort);
    const int outlet = BeadOf(kOutletPort);
    for (const auto& element : m_elements) {
        element->SetErrorLevel(m_nErrorLevel);
        int status = 0;
        if (element->SetDistributionInStream(inlet, outlet, outlet, &status) != 0) {
            try {
                RestoreInletDistribution(*element);
            } catch (...) {
            }
            return 2;
        }
        if (status == 1) {
            SetIscpOf(brixel::records::kStatusOutcome, brixel::records::kOutcomeWarning);
        }
    }
    if (HasCalculationErrors()) {
        return 2;
    }
    return HasWarnings() ? 1 : 0;
}

void CDistributionChanger::SetOutcome(int result) {
    namespace rec = brixel::records;
    const int64_t outcome = GetIscpOf(rec::kStatusOutcome);
    if (result == 2) {
        if (outcome == rec::kOutcomePreset || outcome == rec::kOutcomeWarning) {
            SetIscpOf(rec::kStatusOutcome, HasValidationErrors() ? rec::kOutcomeFallbackValidation
                                                                 : rec::kOutcomeFallback);
        }
    } else if (HasCalculationErrors()) {
        SetIscpOf(rec::kStatusOutcome, rec::kOutcomeFallback);
    } else if (HasWarnings()) {
        SetIscpOf(rec::kStatusOutcome, rec::kOutcomeWarning);
    }
}
