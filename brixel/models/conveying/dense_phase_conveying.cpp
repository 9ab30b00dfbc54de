#include "brixel/models/conveying/dense_phase_conveying.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "brixel/properties/vocabulary.h"

namespace brixel {
namespace {

constexpr const char* kTag = "DENSCONV";
constexpr const char* kInlet = "INLET";
constexpr const char* kOutlet = "OUTLET";

constexpr double kQuarterPi = 0.7853981633974483;  // pipe cross-section = kQuarterPi D^2
// Characteristic velocity of a slug, u_c = 0.542 sqrt(g D), m/s.
constexpr double kCharacteristicVelocityFactor = 0.542;
// From u = 1.164 sqrt(g D) on, the slug's contact height is measured from the other side.
constexpr double kContactHeightSwitch = 1.164;
constexpr double kChordExponent = 0.3333;  // the slug-chord exponent, deliberately not 1/3
// Ergun equation constants of the viscous and the inertial term.
constexpr double kErgunViscous = 150.0;
constexpr double kErgunInertial = 1.75;
// Liquid above this mass share of the whole flow is warned about.
constexpr double kLiquidShareLimit = 0.1;
constexpr double kHighGasVelocity = 100.0;  // m/s
constexpr double kLowSolidsLoading = 1.0;   // kg/kg
// The search's convergence criteria start above any tolerance.
constexpr double kCriterionStart = 1e10;
// History lines of the search from this print level on.
constexpr int64_t kSearchPrintLevel = 5;

CComSafeArray<double> ArrayOf(const std::vector<double>& values) {
    CComSafeArray<double> array(static_cast<uint32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        array[static_cast<long>(i)] = values[i];
    }
    return array;
}

}  // namespace

void ErgunCoefficients(double voidage, double sphericity, double particleDiameter,
                       double gasViscosity, double gasDensity, double& a, double& b) {
    const double solid = 1.0 - voidage;
    const double voidCube = voidage * voidage * voidage;
    a = kErgunViscous * solid * solid * gasViscosity /
        (voidCube * sphericity * sphericity * particleDiameter * particleDiameter);
    b = kErgunInertial * solid * gasDensity / (voidCube * sphericity * particleDiameter);
}

double SlugPushGradient(const SlugFlow& flow, double u) {
    const double d = flow.diameter;
    const double g = flow.gravity;
    const double r = flow.characteristicVelocity / u;
    const double s = d * std::pow(4.0 * r * (1.0 - r), kChordExponent);
    // 4 r (1 - r) may round just above 1; the chord never exceeds the diameter.
    const double rest = std::sqrt(std::max(0.0, d * d - s * s));
    const double h = u >= kContactHeightSwitch * std::sqrt(g * d) ? d + rest : d - rest;
    const double rho = flow.bulkDensity;
    const double k = flow.stressTransmission;
    return (4.0 * flow.wallFriction * k / d) *
               (r * (1.0 - r) * rho * u * u + h * g * rho / (2.0 * k)) +
           flow.wallFriction * rho * g;
}

double SlugGasGradient(const SlugFlow& flow, double u) {
    const double relative = flow.gasVelocity - u;
    return flow.ergunB * relative * relative + flow.ergunA * relative;
}

}  // namespace brixel

using brixel::IsGiven;
using brixel::IsMissing;
using brixel::kStatusCapeUnknown;
using brixel::kStatusOk;

CDensePhaseConveying::CDensePhaseConveying(CBrixelBaseUnit* unit)
    : m_pUnit(unit),
      m_dblTubeDiameter(CBrixelBaseUnit::m_dblRMiss),
      m_dblTubeLength(CBrixelBaseUnit::m_dblRMiss),
      m_dblRiseAngle(CBrixelBaseUnit::m_dblRMiss),
      m_dblFictiveLength(CBrixelBaseUnit::m_dblRMiss),
      m_dblBulkDensity(CBrixelBaseUnit::m_dblRMiss),
      m_dblStressTransCoef(CBrixelBaseUnit::m_dblRMiss),
      m_dblParticleWallFriction(CBrixelBaseUnit::m_dblRMiss),
      m_dblUserCharacViscosity(CBrixelBaseUnit::m_dblRMiss),
      m_dblUserParticleDiameter(CBrixelBaseUnit::m_dblRMiss),
      m_dblVoidage(CBrixelBaseUnit::m_dblRMiss),
      m_dblFrictionPressureDrop(CBrixelBaseUnit::m_dblRMiss),
      m_dblCurvePressureDrop(CBrixelBaseUnit::m_dblRMiss),
      m_dblLiftPressureDrop(CBrixelBaseUnit::m_dblRMiss),
      m_dblTotalPressureDrop(CBrixelBaseUnit::m_dblRMiss),
      m_dblInletGasVelocity(CBrixelBaseUnit::m_dblRMiss),
      m_dblSlugVelocity(CBrixelBaseUnit::m_dblRMiss),
      m_dblTotalSlugLength(CBrixelBaseUnit::m_dblRMiss),
      m_dblCalcCharacViscosity(CBrixelBaseUnit::m_dblRMiss),
      m_dblSolidsLoading(CBrixelBaseUnit::m_dblRMiss),
      m_dblHeatDuty(CBrixelBaseUnit::m_dblRMiss),
      m_dblSolidFlow(CBrixelBaseUnit::m_dblRMiss),
      m_dblParticleDiameter(CBrixelBaseUnit::m_dblRMiss),
      m_dblSolidDensity(CBrixelBaseUnit::m_dblRMiss),
      m_dblGasFlow(CBrixelBaseUnit::m_dblRMiss),
      m_dblGasDensity(CBrixelBaseUnit::m_dblRMiss),
      m_dblGasViscosity(CBrixelBaseUnit::m_dblRMiss),
      m_dblLiquidFlow(CBrixelBaseUnit::m_dblRMiss),
      m_dblGravity(CBrixelBaseUnit::m_dblRMiss) {}

// The profiles copy deeply.
CDensePhaseConveying::CDensePhaseConveying(const CDensePhaseConveying& other) = default;
CDensePhaseConveying& CDensePhaseConveying::operator=(const CDensePhaseConveying& other) = default;
CDensePhaseConveying::~CDensePhaseConveying() = default;

long CDensePhaseConveying::InitializePorts(CStringArray* portNames) {
    if (!portNames) {
        return brixel::kStatusNullPointer;
    }
    portNames->RemoveAll();
    portNames->Add(brixel::kInlet);
    portNames->Add(brixel::kOutlet);
    return kStatusOk;
}

// ---- messages ----

void CDensePhaseConveying::RaiseError(uint32_t code, const CString& text) {
    m_pUnit->RaiseCalculationError(code, text, brixel::kTag, false);
}

void CDensePhaseConveying::RaiseError(uint32_t code, const CString& first, const CString& second) {
    m_pUnit->RaiseCalculationError(code, first, brixel::kTag, true);
    m_pUnit->RaiseCalculationError(code, second, brixel::kTag, false);
}

void CDensePhaseConveying::Warn(uint32_t code, const CString& text) {
    m_pUnit->RaiseWarning(code, text, brixel::kTag, false);
}

void CDensePhaseConveying::Warn(uint32_t code, const CString& first, const CString& second) {
    m_pUnit->RaiseWarning(code, first, brixel::kTag, true);
    m_pUnit->RaiseWarning(code, second, brixel::kTag, false);
}

// ---- validation ----

void CDensePhaseConveying::ValidateData() {
    if (!m_pUnit) {
        return;
    }
    m_pUnit->ClearValidationErrors();
    const auto check = [this](bool failed, uint32_t code, const char* text) {
        if (failed) {
            m_pUnit->RaiseValidationError(code, text, brixel::kTag, false);
        }
    };
    // A NaN input counts as not given (IsMissing); the checks of settings that have defaults
    // are written so that NaN fails them.
    const double d = m_dblTubeDiameter;
    const double length = m_dblTubeLength;
    const double bends = m_dblFictiveLength;
    check(d <= 0, 50, "Tube diameter must be greater than zero.");
    check(IsMissing(d), 51, "Tube diameter not defined.");
    check(length <= 0, 52, "Lenght of the tube must be greater than zero.");
    check(IsMissing(length), 52, "Tube length not defined.");
    check(IsMissing(m_dblRiseAngle), 55, "Pipe rise angle not defined.");
    check(bends < 0, 56, "Fictive length of bends must be greater than or equal to zero.");
    check(IsMissing(bends), 56, "Fictive length of bends not defined.");
    check(m_dblBulkDensity <= 0, 54, "Bulk density must be greater than zero.");
    check(IsMissing(m_dblBulkDensity) && IsMissing(m_dblVoidage), 54,
          "Neither bulk density nor voidage defined.");
    check(!(m_dblSphericity > 0 && m_dblSphericity <= 1), 55,
          "Sphericity has to be between zero and one (0<S<=1).");
    check(m_dblStressTransCoef <= 0, 56,
          "Stress transmission coefficient must be greater than zero.");
    check(IsMissing(m_dblStressTransCoef), 56, "Stress transmission coefficient not defined.");
    check(m_dblParticleWallFriction <= 0, 58,
          "Particle-wall friction parameter must be greater than zero.");
    check(IsMissing(m_dblParticleWallFriction), 58,
          "Particle-wall friction parameter not defined.");
    check(m_bUseUserCharacViscosity && !(m_dblUserCharacViscosity > 0), 59,
          "Characteristic viscosity parameter must be greater than zero.");
    check(m_bUseUserParticleDiameter && !(m_dblUserParticleDiameter > 0), 80,
          "User specified particle diameter must be greater than zero.");
    check(m_nMaxIt < 1, 90, "MAx. number of iterations must be greater than zero.");
    check(!(m_dblLowPressureThreshold >= 0), 91, "Min. outlet pressure must be greater than zero.");
    check(!(m_dblPressureDifferenceTolerance >= 0), 92,
          "Max. relative pressure difference must be greater than zero.");
    check(!(m_dblVelocityTolerance >= 0), 92,
          "Min. relative velocity difference must be greater than zero.");
}

// ---- inlet ----

long CDensePhaseConveying::GetInletData(double& solidFlow, double& particleDiameter,
                                        double& solidDensity, double& gasFlow, double& gasViscosity,
                                        double& gasDensity, double& liquidFlow) {
    if (!m_pUnit) {
        return brixel::kStatusInvalidArgument;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const CString inlet(brixel::kInlet);
    const CComBSTR mass("mass");
    const CComBSTR solid = unit.GetPhaseName(inlet, "solid");
    const CComBSTR vapor = unit.GetPhaseName(inlet, "vapor");
    const CComBSTR liquid = unit.GetPhaseName(inlet, "liquid");
    const auto read = [&](const char* property, const CComBSTR& phase, double& value) {
        return unit.GetSinglePhaseProp(inlet, CComBSTR(property), phase, &value, mass);
    };

    long status = read("totalFlow", solid, solidFlow);
    if (status != kStatusOk) {
        return status;
    }
    if (solidFlow > 0) {
        if (!m_bUseUserParticleDiameter) {
            status = unit.GetDistributionParameter(inlet, CComBSTR("PSD"), CComBSTR("Sauter"),
                                                   &particleDiameter, nullptr, nullptr);
        } else if (IsGiven(m_dblUserParticleDiameter)) {
            particleDiameter = m_dblUserParticleDiameter;
        } else {
            status = brixel::kStatusFail;  // the mode is on, the diameter was never given
        }
        if (status == kStatusOk) {
            status = read("density", solid, solidDensity);
        }
        if (status != kStatusOk) {
            return status;
        }
    }
    struct Read {
        const char* property;
        const CComBSTR& phase;
        double& value;
    };
    for (const Read& next :
         {Read{"totalFlow", vapor, gasFlow}, Read{"viscosity", vapor, gasViscosity},
          Read{"density", vapor, gasDensity}, Read{"totalFlow", liquid, liquidFlow}}) {
        status = read(next.property, next.phase, next.value);
        if (status != kStatusOk) {
            return status;
        }
    }
    return kStatusOk;
}

// ---- calculation ----

long CDensePhaseConveying::Calculate() {
    if (!m_pUnit) {
        return brixel::kStatusInvalidArgument;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    try {
        long status = unit.CopyInletToOutlets();
        if (status < 0) {
            return status;
        }
        if (unit.GetUniversalConstant(CComBSTR("standardAccelerationOfGravity"), &m_dblGravity) !=
            kStatusOk) {
            m_dblGravity = brixel::kStandardGravity;
        }
        const double g = m_dblGravity;

        for (double* value :
             {&m_dblSolidFlow, &m_dblParticleDiameter, &m_dblSolidDensity, &m_dblGasFlow,
              &m_dblGasViscosity, &m_dblGasDensity, &m_dblLiquidFlow}) {
            *value = CBrixelBaseUnit::m_dblRMiss;
        }
        status = GetInletData(m_dblSolidFlow, m_dblParticleDiameter, m_dblSolidDensity,
                              m_dblGasFlow, m_dblGasViscosity, m_dblGasDensity, m_dblLiquidFlow);
        if (status != kStatusOk) {
            // Only a failed diameter read points at the PSD mesh or the user diameter.
            if (IsGiven(m_dblSolidFlow) && m_dblSolidFlow > 0 && IsMissing(m_dblParticleDiameter)) {
                RaiseError(20,
                           "Reading inlet data failed. Either PSD mesh or particle diameter must "
                           "be specified.");
            } else {
                RaiseError(10, "Reading inlet data failed.");
            }
            return status;
        }
        const double solids = m_dblSolidFlow;
        const double gas = m_dblGasFlow;
        const double liquid = m_dblLiquidFlow;
        const double solidDensity = m_dblSolidDensity;
        const double gasDensity = m_dblGasDensity;

        if (!(solids > 0)) {
            RaiseError(10, "Inlet stream contains no solids.", "Calculation bypassed.");
            if (unit.GetSolidmerNoPSD()) {
                Warn(10,
                     "Solid polymers and/or oligomers present at inlet are treated as liquid due "
                     "to lack of PSD mesh.",
                     "Please define PSD mesh for MIXED substream to treat polymers and oligomers "
                     "as solid");
            }
            unit.SetOutletStreams();
            return kStatusCapeUnknown;
        }

        if (IsMissing(m_dblBulkDensity) && IsGiven(m_dblVoidage)) {
            m_dblBulkDensity = (1.0 - m_dblVoidage) * solidDensity;
        }
        const double bulkDensity = m_dblBulkDensity;

        const double totalFlow = liquid + gas + solids;
        if (liquid > brixel::kLiquidShareLimit * totalFlow) {
            CString text;
            text.Format("Liquid fraction (%f)  greater than 10 wt-%% of the total flow",
                        liquid / totalFlow);
            Warn(11, text);
        }
        if (bulkDensity > solidDensity) {
            CString text;
            text.Format(
                "Defined bulk density (%f [kg/m3]) is greater than solids density (%f [kg/m3]) "
                "at the inlet",
                bulkDensity, solidDensity);
            Warn(12, text);
        }
        if (!(solidDensity > 0)) {
            RaiseError(13, "Solids density is zero");
            return kStatusCapeUnknown;
        }
        const double voidage = 1.0 - bulkDensity / solidDensity;
        // The packed-bed law needs gas room in the slug and some solids in it: a voidage of 0
        // divides by zero, and outside (0, 1) the gradients lose their meaning.
        if (!(voidage > 0 && voidage < 1)) {
            CString text;
            text.Format(
                "Slug voidage (%f) must be between zero and one. Bulk density must be smaller "
                "than solids density.",
                voidage);
            RaiseError(21, text);
            return kStatusCapeUnknown;
        }

        if (!(gas > 0)) {
            RaiseError(14, "Inlet vapor flow is zero.");
            return kStatusCapeUnknown;
        }
        m_dblSolidsLoading = solids / gas;
        if (m_dblSolidsLoading < brixel::kLowSolidsLoading) {
            CString text;
            text.Format("Solids loading (%.2f [kg/kg]) is quite low.", m_dblSolidsLoading);
            Warn(15, text, "Please use dilute phase conveying model.");
        }
        if (!(gasDensity > 0)) {
            RaiseError(16, "Vapor density is zero");
            return kStatusCapeUnknown;
        }

        double a = 0.0;
        double b = 0.0;
        brixel::ErgunCoefficients(voidage, m_dblSphericity, m_dblParticleDiameter,
                                  m_dblGasViscosity, gasDensity, a, b);
        const double d = m_dblTubeDiameter;
        const double gasVelocity = (gas / gasDensity) / (brixel::kQuarterPi * d * d);
        m_dblInletGasVelocity = gasVelocity;
        if (gasVelocity > brixel::kHighGasVelocity) {
            CString text;
            text.Format("Gas velocity is quite high at inlet (v(fluid)=%.2f [m/s]", gasVelocity);
            Warn(17, text, "Please check geometry and inlet gas air flow.");
        }

        const double characteristic =
            m_bUseUserCharacViscosity ? m_dblUserCharacViscosity
                                      : brixel::kCharacteristicVelocityFactor * std::sqrt(g * d);
        if (characteristic > gasVelocity) {
            CString text;
            text.Format(
                "Gas velocity at inlet (%f [m/sec]) is smaller than characteristic viscosity "
                "parameter (%f [m/sec])",
                gasVelocity, characteristic);
            RaiseError(10, text);
            return kStatusCapeUnknown;
        }

        double slugVelocity = 0.0;
        double lastRatio = 0.0;
        const brixel::SlugFlow flow{d,
                                    g,
                                    bulkDensity,
                                    m_dblStressTransCoef,
                                    m_dblParticleWallFriction,
                                    characteristic,
                                    gasVelocity,
                                    a,
                                    b};
        status = FindSlugVelocity(flow, slugVelocity, lastRatio);
        if (status != kStatusOk) {
            return status;
        }
        return FinishCalculation(flow, slugVelocity, lastRatio);
    } catch (long status) {
        return status < 0 ? status : kStatusCapeUnknown;
    } catch (...) {
        return kStatusCapeUnknown;
    }
}

long CDensePhaseConveying::FindSlugVelocity(const brixel::SlugFlow& flow, double& slugVelocity,
                                            double& lastRatio) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const double characteristicVelocity = flow.characteristicVelocity;
    const double gasVelocity = flow.gasVelocity;

    const double pushAtStart = brixel::SlugPushGradient(flow, characteristicVelocity);
    const double gasAtStart = brixel::SlugGasGradient(flow, characteristicVelocity);
    const bool gasAboveAtStart = gasAtStart > pushAtStart;
    // At vG the gas loses nothing through a slug, so a slug velocity exists only where the gas
    // gradient at u_c is the larger one; otherwise the search would drift to vG and report a
    // line without pressure drop.
    if (!gasAboveAtStart) {
        CString text;
        text.Format(
            "Gas flow cannot move the slugs: pressure gradient of the gas (%f [Pa/m]) is not "
            "greater than the gradient needed to push a slug (%f [Pa/m]).",
            gasAtStart, pushAtStart);
        RaiseError(22, text);
        return kStatusCapeUnknown;
    }

    const bool history =
        unit.GetIscpOf(brixel::records::kStatusPrintLevel) >= brixel::kSearchPrintLevel;
    double lower = characteristicVelocity;
    double upper = gasVelocity;
    double u = 0.5 * (lower + upper);
    double pressureCriterion = brixel::kCriterionStart;
    double velocityCriterion = brixel::kCriterionStart;
    int count = 0;
    double ratio = characteristicVelocity / u;
    while (!(velocityCriterion < m_dblVelocityTolerance ||
             pressureCriterion < m_dblPressureDifferenceTolerance)) {
        if (count > m_nMaxIt) {
            RaiseError(17, "Reached maximum number of iterations.");
            return kStatusCapeUnknown;
        }
        ratio = characteristicVelocity / u;
        const double push = brixel::SlugPushGradient(flow, u);
        const double gasGradient = brixel::SlugGasGradient(flow, u);
        if (history) {
            if (count == 0) {
                unit.WriteHis("START CALCULATION OF U_SLUG:");
                unit.WriteHis("IT \t U_SLUG \t DP1\\DL \t DP2\\DL \t PRESS-DEV");
            }
            CString line;
            line.Format("%i \t %f \t %f \t %f \t %f", count, u, push, gasGradient,
                        push - gasGradient);
            unit.WriteHis(line);
        }
        if ((gasGradient > push) == gasAboveAtStart) {
            lower = u;
        } else {
            upper = u;
        }
        pressureCriterion = std::fabs(push - gasGradient) / ((push + gasGradient) / 2.0);
        u = 0.5 * (lower + upper);
        velocityCriterion = std::fabs(upper - lower) / u;
        ++count;
    }
    slugVelocity = u;
    lastRatio = ratio;
    return kStatusOk;
}

long CDensePhaseConveying::FinishCalculation(const brixel::SlugFlow& flow, double slugVelocity,
                                             double lastRatio) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const double characteristicVelocity = flow.characteristicVelocity;
    const double d = m_dblTubeDiameter;
    const double length = m_dblTubeLength;
    const double bends = m_dblFictiveLength;
    const double lineLength = length + bends;
    const double slugLength =
        lineLength * m_dblSolidFlow /
        (brixel::kQuarterPi * d * d * (1.0 - lastRatio) * m_dblBulkDensity * slugVelocity);
    // The gas gradient at the reported slug velocity, so that the pressure drop follows from
    // the reported results alone.
    const double slugPressureDrop = slugLength * brixel::SlugGasGradient(flow, slugVelocity);
    const double friction = length > 0 ? slugPressureDrop * length / lineLength : 0.0;
    const double bend = bends > 0 ? slugPressureDrop * bends / lineLength : 0.0;
    const double height = length * std::sin(m_dblRiseAngle);
    const double lift =
        height != 0 ? height * m_dblSolidsLoading * m_dblGasDensity * m_dblGravity : 0.0;
    const double total = friction + bend + lift;
    if (!std::isfinite(slugLength) || !std::isfinite(total)) {
        RaiseError(23, "Calculation of slug length and pressure drop failed.");
        return kStatusCapeUnknown;
    }
    if (length > 0) {
        m_dblFrictionPressureDrop = friction;
    }
    if (bends > 0) {
        m_dblCurvePressureDrop = bend;
    }
    if (height != 0) {
        m_dblLiftPressureDrop = lift;
    }
    m_dblTotalPressureDrop = total;
    m_dblSlugVelocity = slugVelocity;
    m_dblTotalSlugLength = slugLength;
    if (!m_bUseUserCharacViscosity) {
        m_dblCalcCharacViscosity = characteristicVelocity;
    }

    const CString inlet(brixel::kInlet);
    const CString outlet(brixel::kOutlet);
    double inletPressure = 0.0;
    long status =
        unit.GetOverallProp(inlet, CComBSTR("Pressure"), &inletPressure, CComBSTR("mass"));
    if (status != kStatusOk) {
        return status;
    }
    const double outletPressure = inletPressure - total;
    if (outletPressure < m_dblLowPressureThreshold) {
        CString text;
        text.Format("Outlet pressure below %f Pa. Please increase inlet pressure",
                    m_dblLowPressureThreshold);
        RaiseError(18, text);
        return kStatusCapeUnknown;
    }
    if (unit.SetOverallProp(outlet, CComBSTR("Pressure"), outletPressure, CComBSTR("mass")) !=
        kStatusOk) {
        return kStatusCapeUnknown;
    }
    status =
        unit.CalcEquilibrium(outlet, brixel::OverallSpecification(L"temperature"),
                             brixel::OverallSpecification(L"pressure"), CComBSTR("Unspecified"));
    if (status != kStatusOk) {
        RaiseError(18, "calculation of phase equilibrium failed (port: 'Discharge')");
        return status;
    }
    double inletEnthalpy = 0.0;
    double outletEnthalpy = 0.0;
    status = unit.GetOverallProp(outlet, CComBSTR("enthalpy"), &outletEnthalpy, CComBSTR("T"));
    if (status == kStatusOk) {
        status = unit.GetOverallProp(inlet, CComBSTR("enthalpy"), &inletEnthalpy, CComBSTR("T"));
    }
    if (status != kStatusOk) {
        RaiseError(19, "Calculation of heat duty failed.");
        return status;
    }
    m_dblHeatDuty = outletEnthalpy - inletEnthalpy;
    return kStatusOk;
}

// ---- fallback and profile ----

void CDensePhaseConveying::SetOutletStreams() {
    if (!m_pUnit) {
        return;
    }
    m_pUnit->CopyInletToOutlets(brixel::kInlet, brixel::kOutlet);
    if (m_dblLowPressureThreshold > CBrixelBaseUnit::m_dblRMin) {
        m_pUnit->SetPressure(CString(brixel::kOutlet), m_dblLowPressureThreshold);
    }
}

long CDensePhaseConveying::GeneratePressureProfile(int n) {
    m_saLengthProfile.Destroy();
    m_saPressureProfile.Destroy();
    if (n == 0) {
        return kStatusOk;
    }
    if (!m_pUnit || n < 0) {
        return brixel::kStatusInvalidArgument;
    }
    if (IsMissing(m_dblTotalPressureDrop)) {
        return brixel::kStatusFail;  // nothing calculated to draw
    }
    try {
        double inletPressure = 0.0;
        const long status = m_pUnit->GetOverallProp(CString(brixel::kInlet), CComBSTR("Pressure"),
                                                    &inletPressure, CComBSTR("mass"));
        if (status != kStatusOk) {
            return status;
        }
        const double lineLength = m_dblTubeLength + m_dblFictiveLength;
        const double step = lineLength / n;
        std::vector<double> lengths;
        std::vector<double> pressures;
        lengths.reserve(static_cast<std::size_t>(n) + 1);
        pressures.reserve(static_cast<std::size_t>(n) + 1);
        double x = 0.0;
        for (int k = 0; k <= n; ++k) {
            lengths.push_back(x);
            pressures.push_back(inletPressure - x * m_dblTotalPressureDrop / lineLength);
            x += step;
        }
        m_saLengthProfile = brixel::ArrayOf(lengths);
        m_saPressureProfile = brixel::ArrayOf(pressures);
        return kStatusOk;
    } catch (long status) {
        return status < 0 ? status : brixel::kStatusFail;
    } catch (...) {
        return brixel::kStatusFail;
    }
}
