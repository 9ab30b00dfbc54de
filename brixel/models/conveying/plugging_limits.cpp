#include "brixel/models/conveying/plugging_limits.h"

#include <cmath>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/status.h"
#include "brixel/models/conveying/dilute_phase_conveying.h"
#include "brixel/platform/bstr.h"

namespace brixel {
namespace {

// 80000 / pi: the Rizk relation mu = Fr^4 / 20000 with mu = mS / (rhoG v pi D^2 / 4).
constexpr double kRizkConstant = 25464.790894703256;
constexpr double kFifthRoot = 0.2;
constexpr double kMuschelknautzFactor = 0.48;
constexpr double kMuschelknautzExponent = 0.33;
constexpr double kSeglerFactor = 19.8;
constexpr double kSeglerExponent = 0.129;
constexpr double kWirthFactor = 2.35;
constexpr double kMolerusFactor = 5.0;
// 9.81^2: the correlation was fitted with this g, whatever the local one.
constexpr double kMolerusGravitySquared = 96.2361;

}  // namespace

double RizkPluggingVelocity(double solidsFlow, double gasDensity, double gravity) {
    if (!(solidsFlow > 0.0)) {
        return 0.0;
    }
    return std::pow(solidsFlow * kRizkConstant * gravity * gravity / gasDensity, kFifthRoot);
}

double MuschelknautzPluggingVelocity(double solidsFlow, double gasDensity, double gravity,
                                     double tubeDiameter) {
    if (!(solidsFlow > 0.0)) {
        return 0.0;
    }
    return kMuschelknautzFactor *
           std::pow(solidsFlow * gravity / (gasDensity * tubeDiameter), kMuschelknautzExponent);
}

double SeglerPluggingVelocity(double solidsFlow) {
    if (!(solidsFlow > 0.0)) {
        return 0.0;
    }
    return kSeglerFactor * std::pow(solidsFlow, kSeglerExponent);
}

double WirthPluggingVelocity(double solidsFlow, double gasDensity, double solidDensity,
                             double bulkPorosity, double gravity, double friction) {
    if (!(solidsFlow > 0.0)) {
        return 0.0;
    }
    const double densityRatio = solidDensity / gasDensity - 1.0;
    const double wallFriction = gravity * friction;
    return kWirthFactor * std::pow(densityRatio * densityRatio * solidsFlow * (1.0 - bulkPorosity) *
                                       wallFriction * wallFriction / solidDensity,
                                   kFifthRoot);
}

double MolerusPluggingVelocity(double solidsFlow, double gasDensity) {
    if (!(solidsFlow > 0.0)) {
        return 0.0;
    }
    return kMolerusFactor * std::pow(solidsFlow * kMolerusGravitySquared / gasDensity, kFifthRoot);
}

}  // namespace brixel

long CDilutePhaseConveying::PluggingInputs(int bead, double& solidsFlow, double* gasDensity,
                                           double* solidDensity) {
    CBrixelBaseUnit& unit = *m_pUnit;
    // The inlet's solids: the march's internal stream carries the same.
    long status = unit.GetSolidMassFlow(CString("INLET"), &solidsFlow);
    if (status < 0 || !(solidsFlow > 0.0)) {
        return status;
    }
    const CComBSTR mass("mass");
    if (gasDensity) {
        status = unit.GetSinglePhaseProp(static_cast<int64_t>(bead), CComBSTR("density"),
                                         unit.GetPhaseName(CString("INLET"), CString("vapor")),
                                         gasDensity, mass);
    }
    if (status >= 0 && solidDensity) {
        status = unit.GetSinglePhaseProp(static_cast<int64_t>(bead), CComBSTR("density"),
                                         unit.GetPhaseName(CString("INLET"), CString("solid")),
                                         solidDensity, mass);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimit(int bead, double* minimumVelocity) {
    if (!minimumVelocity) {
        return brixel::kStatusNullPointer;
    }
    const CString& model = m_strPluggingLimitModel;
    if (model == "Rizk (coarse)") {
        return CalcPluggingLimitRizk(bead, minimumVelocity);
    }
    if (model == "Muschelknautz (fines)") {
        return CalcPluggingLimitMuschelknautz(bead, minimumVelocity);
    }
    if (model == "Segler") {
        return CalcPluggingLimitSegler(minimumVelocity);
    }
    if (model == "Wirth (coarse)") {
        return CalcPluggingLimitWirth(bead, m_dblBulkPorosity, minimumVelocity);
    }
    if (model == "Molerus et al.") {
        return CalcPluggingLimitDimensionlesNumber(bead, minimumVelocity);
    }
    return brixel::kStatusCapeUnknown;
}

long CDilutePhaseConveying::CalcPluggingLimitRizk(int bead, double* minimumVelocity) {
    double solidsFlow = 0.0;
    double gasDensity = 0.0;
    const long status = PluggingInputs(bead, solidsFlow, &gasDensity, nullptr);
    if (status >= 0) {
        *minimumVelocity = brixel::RizkPluggingVelocity(solidsFlow, gasDensity, m_dblGravity);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimitMuschelknautz(int bead, double* minimumVelocity) {
    double solidsFlow = 0.0;
    double gasDensity = 0.0;
    const long status = PluggingInputs(bead, solidsFlow, &gasDensity, nullptr);
    if (status >= 0) {
        *minimumVelocity = brixel::MuschelknautzPluggingVelocity(solidsFlow, gasDensity,
                                                                 m_dblGravity, m_dblTubeDiameter);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimitSegler(double* minimumVelocity) {
    double solidsFlow = 0.0;
    const long status = PluggingInputs(0, solidsFlow, nullptr, nullptr);
    if (status >= 0) {
        *minimumVelocity = brixel::SeglerPluggingVelocity(solidsFlow);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimitWirth(int bead, double bulkPorosity,
                                                   double* minimumVelocity) {
    double solidsFlow = 0.0;
    double gasDensity = 0.0;
    double solidDensity = 0.0;
    const long status = PluggingInputs(bead, solidsFlow, &gasDensity, &solidDensity);
    if (status >= 0) {
        *minimumVelocity = brixel::WirthPluggingVelocity(
            solidsFlow, gasDensity, solidDensity, bulkPorosity, m_dblGravity, m_dblClusterFriction);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimitDimensionlesNumber(int bead, double* minimumVelocity) {
    double solidsFlow = 0.0;
    double gasDensity = 0.0;
    const long status = PluggingInputs(bead, solidsFlow, &gasDensity, nullptr);
    if (status >= 0) {
        *minimumVelocity = brixel::MolerusPluggingVelocity(solidsFlow, gasDensity);
    }
    return status;
}
