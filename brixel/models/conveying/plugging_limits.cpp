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

template <typename Correlation>
long CDilutePhaseConveying::PluggingVelocity(int bead, bool withSolidDensity,
                                             double* minimumVelocity, Correlation correlation) {
    if (!minimumVelocity) {
        return brixel::kStatusNullPointer;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    // The inlet's solids: the march's internal stream carries the same.
    double solidsFlow = 0.0;
    long status = unit.GetSolidMassFlow(CString("INLET"), &solidsFlow);
    double gasDensity = 0.0;
    double solidDensity = 0.0;
    if (status >= 0 && solidsFlow > 0.0 && bead != 0) {
        const CComBSTR density("density");
        const CComBSTR mass("mass");
        status = unit.GetSinglePhaseProp(static_cast<int64_t>(bead), density,
                                         unit.GetPhaseName(CString("INLET"), CString("vapor")),
                                         &gasDensity, mass);
        if (status >= 0 && withSolidDensity) {
            status = unit.GetSinglePhaseProp(static_cast<int64_t>(bead), density,
                                             unit.GetPhaseName(CString("INLET"), CString("solid")),
                                             &solidDensity, mass);
        }
    }
    if (status >= 0) {
        *minimumVelocity = correlation(solidsFlow, gasDensity, solidDensity);
    }
    return status;
}

long CDilutePhaseConveying::CalcPluggingLimit(int bead, double* minimumVelocity) {
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
    return PluggingVelocity(bead, false, minimumVelocity,
                            [this](double solids, double gas, double) {
                                return brixel::RizkPluggingVelocity(solids, gas, m_dblGravity);
                            });
}

long CDilutePhaseConveying::CalcPluggingLimitMuschelknautz(int bead, double* minimumVelocity) {
    return PluggingVelocity(bead, false, minimumVelocity,
                            [this](double solids, double gas, double) {
                                return brixel::MuschelknautzPluggingVelocity(
                                    solids, gas, m_dblGravity, m_dblTubeDiameter);
                            });
}

long CDilutePhaseConveying::CalcPluggingLimitSegler(double* minimumVelocity) {
    // No stream is read besides the inlet's solid mass flow.
    return PluggingVelocity(0, false, minimumVelocity, [](double solids, double, double) {
        return brixel::SeglerPluggingVelocity(solids);
    });
}

long CDilutePhaseConveying::CalcPluggingLimitWirth(int bead, double bulkPorosity,
                                                   double* minimumVelocity) {
    return PluggingVelocity(
        bead, true, minimumVelocity, [this, bulkPorosity](double solids, double gas, double solid) {
            return brixel::WirthPluggingVelocity(solids, gas, solid, bulkPorosity, m_dblGravity,
                                                 m_dblClusterFriction);
        });
}

long CDilutePhaseConveying::CalcPluggingLimitDimensionlesNumber(int bead, double* minimumVelocity) {
    return PluggingVelocity(bead, false, minimumVelocity, [](double solids, double gas, double) {
        return brixel::MolerusPluggingVelocity(solids, gas);
    });
}
