#include "brixel/models/conveying/dilute_phase_conveying.h"

#include <algorithm>
#include <cstddef>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "brixel/properties/vocabulary.h"

namespace brixel {
namespace {

constexpr const char* kTag = "DILCONV";
constexpr const char* kInlet = "INLET";
constexpr const char* kOutlet = "OUTLET";

// Liquid above this mass fraction of the inlet cannot be conveyed.
constexpr double kMaxLiquidFraction = 1e-5;
// Above this solids loading (kg/kg) the line is better treated as dense phase.
constexpr double kDenseLoading = 50.0;
// Solid density (kg/m3) standing in when there are no solids, so that volumes stay finite.
constexpr double kNoSolidsDensity = 1.0;

// Not above zero, or NaN: every "must be greater than zero" check rejects both.
bool NotPositive(double value) {
    return !(value > 0.0);
}
bool Negative(double value) {
    return !(value >= 0.0);
}

CComSafeArray<double> ArrayOf(const std::vector<double>& values) {
    CComSafeArray<double> array(static_cast<uint32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        array[static_cast<long>(i)] = values[i];
    }
    return array;
}

long ReadPhase(CBrixelBaseUnit& unit, int64_t stream, const char* property, const char* label,
               double* value) {
    return unit.GetSinglePhaseProp(stream, CComBSTR(property),
                                   unit.GetPhaseName(CString(kInlet), CString(label)), value,
                                   CComBSTR("mass"));
}

long ReadPhase(CBrixelBaseUnit& unit, const char* port, const char* property, const char* label,
               double* value) {
    return unit.GetSinglePhaseProp(CString(port), CComBSTR(property),
                                   unit.GetPhaseName(CString(kInlet), CString(label)), value,
                                   CComBSTR("mass"));
}

}  // namespace
}  // namespace brixel

CDilutePhaseConveying::CDilutePhaseConveying(CBrixelBaseUnit* unit)
    : m_pUnit(unit),
      m_dblTubeDiameter(CBrixelBaseUnit::m_dblRMiss),
      m_dblTubeLength(CBrixelBaseUnit::m_dblRMiss),
      m_dblRiseAngle(CBrixelBaseUnit::m_dblRMiss),
      m_dblBulkPorosity(CBrixelBaseUnit::m_dblRMiss),
      m_dblUserParticleDiameter(CBrixelBaseUnit::m_dblRMiss),
      m_dblElbowCoefficient(CBrixelBaseUnit::m_dblRMiss),
      m_dblPressureDrop(CBrixelBaseUnit::m_dblRMiss),
      m_dblSolidsLoading(CBrixelBaseUnit::m_dblRMiss),
      m_dblHeatDuty(CBrixelBaseUnit::m_dblRMiss),
      m_dblMinVelocityGap(CBrixelBaseUnit::m_dblRMiss),
      m_dblInletVolumeFlow(CBrixelBaseUnit::m_dblRMiss),
      m_dblInletPressure(CBrixelBaseUnit::m_dblRMiss),
      m_dblGravity(CBrixelBaseUnit::m_dblRMiss) {}

CDilutePhaseConveying::CDilutePhaseConveying(const CDilutePhaseConveying& other) = default;
CDilutePhaseConveying& CDilutePhaseConveying::operator=(const CDilutePhaseConveying& other) =
    default;
CDilutePhaseConveying::~CDilutePhaseConveying() = default;

long CDilutePhaseConveying::InitializePorts(CStringArray* portNames) {
    if (!portNames) {
        return brixel::kStatusNullPointer;
    }
    portNames->RemoveAll();
    portNames->Add(brixel::kInlet);
    portNames->Add(brixel::kOutlet);
    return brixel::kStatusOk;
}

CComSafeArray<double> CDilutePhaseConveying::GetLenghtProfile() const {
    return brixel::ArrayOf(m_daOutLength);
}
CComSafeArray<double> CDilutePhaseConveying::GetVaporVelocityProfile() const {
    return brixel::ArrayOf(m_daOutGasVelocity);
}
CComSafeArray<double> CDilutePhaseConveying::GetPluggingLimitProfile() const {
    return brixel::ArrayOf(m_daOutPluggingVelocity);
}
CComSafeArray<double> CDilutePhaseConveying::GetPressureProfile() const {
    return brixel::ArrayOf(m_daOutPressure);
}
CComSafeArray<double> CDilutePhaseConveying::GetVaporDensityProfile() const {
    return brixel::ArrayOf(m_daOutGasDensity);
}
CComSafeArray<double> CDilutePhaseConveying::GetViscosityProfile() const {
    return brixel::ArrayOf(m_daOutGasViscosity);
}
CComSafeArray<double> CDilutePhaseConveying::GetSolidsVelocityProfile() const {
    return brixel::ArrayOf(m_daOutSolidsVelocity);
}

const std::vector<double>& CDilutePhaseConveying::GetWorkingProfile(Profile which) const {
    switch (which) {
        case Profile::kLength:
            return m_daLength;
        case Profile::kGasVelocity:
            return m_daGasVelocity;
        case Profile::kPluggingVelocity:
            return m_daPluggingVelocity;
        case Profile::kPressure:
            return m_daPressure;
        case Profile::kGasDensity:
            return m_daGasDensity;
        case Profile::kGasViscosity:
            return m_daGasViscosity;
        case Profile::kSolidsVelocity:
            break;
    }
    return m_daSolidsVelocity;
}

void CDilutePhaseConveying::ValidateData() {
    using brixel::IsMissing;
    using brixel::Negative;
    using brixel::NotPositive;
    CBrixelBaseUnit& unit = *m_pUnit;
    unit.ClearValidationErrors();
    const auto reject = [&unit](uint32_t code, const char* text) {
        unit.RaiseValidationError(code, text, brixel::kTag, false);
    };
    if (!(m_dblTubeDiameter > 0.0) && !IsMissing(m_dblTubeDiameter)) {
        reject(50, "Tube diameter must be greater than zero.");
    }
    if (IsMissing(m_dblTubeDiameter)) {
        reject(51, "Tube diameter not defined.");
    }
    if (!(m_dblTubeLength > 0.0) && !IsMissing(m_dblTubeLength)) {
        reject(52, "Lenght of the tube must be greater than zero.");
    }
    // Without a length the march would run until the pressure gives out.
    if (IsMissing(m_dblTubeLength)) {
        reject(53, "Lenght of the tube not defined.");
    }
    if (IsMissing(m_dblRiseAngle)) {
        reject(55, "Pipe rise angle not defined.");
    }
    if (m_nElbows < 0) {
        reject(56, "Number of elbows must be greater than or equal to zero.");
    }
    if (m_nElbows > 0 && Negative(m_dblElbowCoefficient) && !IsMissing(m_dblElbowCoefficient)) {
        reject(57, "Pressure drop coefficient must be greater than or equal to zero.");
    }
    if (m_nElbows > 0 && IsMissing(m_dblElbowCoefficient)) {
        reject(58, "Pressure drop coefficient not defined.");
    }
    if (m_strFluidPressureDropModel == "estimation") {
        if (IsMissing(m_dblFluidFrictionParameter)) {
            reject(60, "Fluid friction parameter not defined.");
        } else if (Negative(m_dblFluidFrictionParameter)) {
            reject(61, "Fluid friction parameter must be greater than or equal to zero.");
        }
    }
    if (IsMissing(m_dblVelocityRatio)) {
        reject(62, "Solid/fluid velocity ratio not defined.");
    } else if (NotPositive(m_dblVelocityRatio)) {
        reject(63, "Solid/fluid velocity ratio must be greater than zero.");
    }
    if (m_strSolidsPressureDropModel == "Muschelknautz") {
        if (m_strMuschelknautzSolidsFrictionModel == "estimation" && Negative(m_dblUserLambdaS)) {
            reject(64, "Solid friction parameter must be greater than zero.");
        }
        if (m_strMuschelknautzSolidsFrictionModel == "Muschelknautz") {
            if (Negative(m_dblLambdaSStar)) {
                reject(65, "Solid-wall impact friction parameter must be greater than zero.");
            }
            if (m_dblLambdaSStar > 1.0) {
                reject(66, "Solid-wall impact friction parameter must be smaller than one");
            }
            if (m_strWallFrictionModel == "estimation" && Negative(m_dblUserWallFriction)) {
                reject(67,
                       "Solid-wall sliding friction parameter (beta) must be greater than zero.");
            }
            if (m_strWallFrictionModel == "Muschelknautz") {
                if (Negative(m_dblClusterFriction)) {
                    reject(68, "Friction parameter (fr) must be greater than zero.");
                }
                if (Negative(m_dblSolidFractionOnBottom)) {
                    reject(69,
                           "Defined value for the solid fraction on tube bottom must be greater "
                           "than zero.");
                }
            }
        }
    }
    if (m_strSolidsPressureDropModel == "Siegel" && Negative(m_dblLambdaSSiegel)) {
        reject(70, "Siegel solid friction parameter must be greater than zero.");
    }
    if (m_strPluggingLimitModel == "Wirth (coarse)" &&
        !(m_dblBulkPorosity > 0.0 && m_dblBulkPorosity < 1.0)) {
        reject(71, "Voidage must be between zero and one.");
    }
    if (m_bUseUserParticleDiameter && NotPositive(m_dblUserParticleDiameter)) {
        reject(82, "User specified particle diameter must be greater than zero.");
    }
    if (m_nMaxIterations < 1) {
        reject(90, "Max. number of iterations must be greater than zero.");
    }
    if (Negative(m_dblLowPressureThreshold)) {
        reject(91, "Min. outlet pressure must be greater than zero.");
    }
    if (Negative(m_dblMaxRelPressureDifference)) {
        reject(92, "Max. allowed relative pressure difference must be greater than zero.");
    }
    // A factor or segment length of zero would never advance the march.
    if (NotPositive(m_dblLengthAdjustmentFactor)) {
        reject(93, "Factor for adjustment of calculation length must be greater than zero.");
    }
    if (NotPositive(m_dblMaxSegmentLength)) {
        reject(94, "MAx. segment lenght must be greater than zero.");
    }
}

void CDilutePhaseConveying::RaiseTwoLineWarning(uint32_t code, const CString& first,
                                                const CString& second) {
    m_pUnit->RaiseWarning(code, first, brixel::kTag, true);
    m_pUnit->RaiseWarning(code, second, brixel::kTag, false);
}

long CDilutePhaseConveying::Calculate() {
    using brixel::kStatusCapeUnknown;
    CBrixelBaseUnit& unit = *m_pUnit;
    const auto fail = [&unit](uint32_t code, const char* text, long status) {
        unit.RaiseCalculationError(code, text, brixel::kTag, false);
        return status;
    };
    try {
        long status = unit.CopyInletToOutlets();
        if (status < 0) {
            return status;
        }

        double liquidFraction = 0.0;
        if (brixel::ReadPhase(unit, brixel::kInlet, "phaseFraction", "liquid", &liquidFraction) <
            0) {
            liquidFraction = 0.0;
        }
        if (liquidFraction > brixel::kMaxLiquidFraction) {
            return fail(1,
                        "Liquid exists in inlet stream. Solids conveying only allows gaseous "
                        "fluids.",
                        kStatusCapeUnknown);
        }

        double solidsFlow = 0.0;
        if (brixel::ReadPhase(unit, brixel::kInlet, "totalFlow", "solid", &solidsFlow) < 0) {
            solidsFlow = 0.0;
        }
        double solidDensity = brixel::kNoSolidsDensity;
        if (!(solidsFlow > 0.0)) {
            solidsFlow = 0.0;
            RaiseTwoLineWarning(1, "Inlet stream contains no solids.",
                                "Only pressure drop caused by the fluid is considered.");
            if (unit.GetSolidmerNoPSD()) {
                RaiseTwoLineWarning(1,
                                    "Solid polymers and/or oligomers present at inlet are treated "
                                    "as liquid due to lack of PSD mesh.",
                                    "Please define PSD mesh for MIXED substream to treat polymers "
                                    "and oligomers as solid");
            }
        } else {
            status = brixel::ReadPhase(unit, brixel::kInlet, "density", "solid", &solidDensity);
            if (status < 0) {
                return fail(2, "Determination of solids density at inlet failed.", status);
            }
        }

        double gasFlow = 0.0;
        if (brixel::ReadPhase(unit, brixel::kInlet, "totalFlow", "vapor", &gasFlow) < 0) {
            gasFlow = 0.0;
        }
        if (!(gasFlow > 0.0)) {
            return fail(3, "Vapor mass flow is zero. Block bypassed. ", kStatusCapeUnknown);
        }
        double gasDensity = 0.0;
        status = brixel::ReadPhase(unit, brixel::kInlet, "density", "vapor", &gasDensity);
        if (status < 0) {
            return fail(4, "determination of vapor density at inlet failed ", status);
        }

        m_dblInletVolumeFlow = gasFlow / gasDensity + solidsFlow / solidDensity;
        m_dblSolidsLoading = solidsFlow / gasFlow;
        if (m_dblSolidsLoading > brixel::kDenseLoading) {
            CString first;
            first.Format("Solids loading (%.2f [kg/kg]) is quite high.", m_dblSolidsLoading);
            RaiseTwoLineWarning(5, first, "Please use dense phase conveying model.");
        }

        if (unit.GetUniversalConstant(CComBSTR("standardAccelerationOfGravity"), &m_dblGravity) <
            0) {
            m_dblGravity = brixel::kStandardGravity;
        }

        status = unit.GetPressure(CString(brixel::kInlet), &m_dblInletPressure);
        if (status < 0) {
            return status;
        }

        CString message;
        if (m_strSolidsPressureDropModel == "Muschelknautz" ||
            m_strSolidsPressureDropModel == "Siegel") {
            const bool muschelknautz = m_strSolidsPressureDropModel == "Muschelknautz";
            status = muschelknautz ? CalcMuschelknautzPressureDrop(&m_dblPressureDrop, &message)
                                   : CalcSiegelPressureDrop(&m_dblPressureDrop, &message);
            if (status < 0) {
                const uint32_t code = muschelknautz ? 6 : 7;
                // An unknown plugging model fails without a text of its own.
                if (!message.IsEmpty()) {
                    unit.RaiseCalculationError(code, message, brixel::kTag, true);
                }
                return fail(code, "Calculation of pressure drop failed.", status);
            }
        } else {
            unit.RaiseCalculationError(8, "No model for calculation of pressure drop selected.", "",
                                       false);
            return kStatusCapeUnknown;
        }

        m_dblMinVelocityGap = CBrixelBaseUnit::m_dblRMiss;
        bool plugging = false;
        for (std::size_t i = 0; i < m_daLength.size(); ++i) {
            m_dblMinVelocityGap =
                std::min(m_dblMinVelocityGap, m_daGasVelocity[i] - m_daPluggingVelocity[i]);
            if (!plugging && m_daPluggingVelocity[i] > m_daGasVelocity[i]) {
                plugging = true;
                CString first;
                first.Format(
                    "Fluid velocity is below saltation velocity at %.2f [m]! (v(fluid)=%.2f "
                    "[m/s], v(min.)=%.2f [m/s]).",
                    m_daLength[i], m_daGasVelocity[i], m_daPluggingVelocity[i]);
                RaiseTwoLineWarning(9, first, "Plugging of the conveying line may occur.");
            }
        }

        const double outletPressure = std::max(m_dblInletPressure - m_dblPressureDrop, 0.0);
        status = unit.SetPressure(CString(brixel::kOutlet), outletPressure);
        if (status < 0) {
            return fail(10, "Setting outlet pressure failed.", status);
        }

        status = unit.CalcEquilibrium(
            CString(brixel::kOutlet), brixel::OverallSpecification(L"temperature"),
            brixel::OverallSpecification(L"pressure"), CComBSTR(L"Unspecified"));
        if (status < 0) {
            return fail(11, "calculation of phase equilibrium failed (port: 'Discharge')", status);
        }

        double outletEnthalpy = 0.0;
        double inletEnthalpy = 0.0;
        status = unit.GetOverallProp(CString(brixel::kOutlet), CComBSTR("enthalpy"),
                                     &outletEnthalpy, CComBSTR("T"));
        if (status >= 0) {
            status = unit.GetOverallProp(CString(brixel::kInlet), CComBSTR("enthalpy"),
                                         &inletEnthalpy, CComBSTR("T"));
        }
        if (status < 0) {
            return fail(12, "Calculation of heat duty failed.", status);
        }
        m_dblHeatDuty = outletEnthalpy - inletEnthalpy;
        return brixel::kStatusOk;
    } catch (...) {
        return kStatusCapeUnknown;
    }
}

void CDilutePhaseConveying::SetOutletStreams() {
    m_pUnit->CopyInletToOutlets(CString(brixel::kInlet), CString(brixel::kOutlet));
    if (m_dblLowPressureThreshold > CBrixelBaseUnit::m_dblRMin) {
        m_pUnit->SetPressure(CString(brixel::kOutlet), m_dblLowPressureThreshold);
    }
}

long CDilutePhaseConveying::GetSolidData(int stream, double* solidDensity, double* particleDiameter,
                                         CString* message, double* solidMassFlow) {
    if (stream == 0 || !solidDensity || !particleDiameter || !message) {
        return brixel::kStatusCapeUnknown;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const auto fail = [message](const char* text) {
        *message = text;
        return brixel::kStatusCapeUnknown;
    };
    double flow = 0.0;
    if (unit.GetSinglePhaseProp(static_cast<int64_t>(stream), CComBSTR("totalFlow"),
                                unit.GetPhaseName(CString(brixel::kInlet), CString("solid")), &flow,
                                CComBSTR("Mass")) < 0) {
        return fail("Determination solid mass flow failed.");
    }
    if (solidMassFlow) {
        *solidMassFlow = flow;
    }
    if (!(flow > 0.0)) {
        *solidDensity = -1.0;
        *particleDiameter = -1.0;
        return brixel::kStatusOk;
    }
    if (brixel::ReadPhase(unit, brixel::kInlet, "density", "solid", solidDensity) < 0) {
        return fail("Determination of solids density failed.");
    }
    if (m_bUseUserParticleDiameter) {
        *particleDiameter = m_dblUserParticleDiameter;
    } else if (unit.GetDistributionParameter(stream, CComBSTR("PSD"), CComBSTR("Sauter"),
                                             particleDiameter, nullptr, nullptr) < 0) {
        return fail("Determination of Sauter mean diameter failed.");
    }
    return brixel::kStatusOk;
}

long CDilutePhaseConveying::GetVaporData(int stream, double* gasDensity, double* gasViscosity,
                                         CString* message, double* gasMassFlow) {
    if (stream == 0 || !gasDensity || !gasViscosity || !message) {
        return brixel::kStatusCapeUnknown;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const auto fail = [message](const char* text) {
        *message = text;
        return brixel::kStatusCapeUnknown;
    };
    if (brixel::ReadPhase(unit, stream, "density", "vapor", gasDensity) < 0) {
        return fail("Determination of vapor density failed.");
    }
    if (brixel::ReadPhase(unit, stream, "viscosity", "vapor", gasViscosity) < 0) {
        return fail("Determination of vapor viscosity failed.");
    }
    if (gasMassFlow && brixel::ReadPhase(unit, stream, "totalFlow", "vapor", gasMassFlow) < 0) {
        return fail("Determine vapor mass flow failed.");
    }
    return brixel::kStatusOk;
}
