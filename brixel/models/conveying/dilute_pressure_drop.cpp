// Pressure drop of a dilute-phase conveying line: friction factors, the march along the
// straight pipe, the elbows and the output profiles.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/status.h"
#include "brixel/models/conveying/dilute_phase_conveying.h"

namespace brixel {
namespace {

// Blasius friction factor of smooth pipes, lambda = 0.3164 / Re^0.25.
constexpr double kBlasiusCoefficient = 0.3164;
constexpr double kBlasiusExponent = 0.25;
// Stokes settling velocity v = d^2 (rhoS - rho) g / (18 eta).
constexpr double kStokesDivisor = 18.0;
// A segment shorter than this (m) is accepted whatever its relative pressure loss.
constexpr double kShortestSegment = 0.1;

constexpr const char* kBelowThresholdAt =
    "Pressure below %f Pa at %g m. Please increase inlet pressure";

// Dynamic pressure rho v^2 / 2 (Pa).
double DynamicPressure(double density, double velocity) {
    return 0.5 * density * velocity * velocity;
}

// Releases a march's internal stream on every path.
class InternalStream {
  public:
    explicit InternalStream(CBrixelBaseUnit& unit)
        : m_unit(unit), m_bead(unit.CreateInternalStream(CString("INLET"))) {}
    ~InternalStream() { m_unit.RemoveInternalStream(m_bead); }
    InternalStream(const InternalStream&) = delete;
    InternalStream& operator=(const InternalStream&) = delete;
    int Bead() const { return m_bead; }

  private:
    CBrixelBaseUnit& m_unit;
    int m_bead;
};

}  // namespace
}  // namespace brixel

using brixel::kStatusCapeUnknown;
using brixel::kStatusOk;

long CDilutePhaseConveying::CalculateLambdaFluid(double gasDensity, double gasViscosity,
                                                 double gasVelocity, double* lambdaFluid) {
    if (m_strFluidPressureDropModel == "Blasius") {
        const double reynolds = gasDensity * gasVelocity * m_dblTubeDiameter / gasViscosity;
        *lambdaFluid = brixel::kBlasiusCoefficient / std::pow(reynolds, brixel::kBlasiusExponent);
        return kStatusOk;
    }
    if (m_strFluidPressureDropModel == "estimation") {
        *lambdaFluid = m_dblFluidFrictionParameter;
        return kStatusOk;
    }
    return kStatusCapeUnknown;
}

long CDilutePhaseConveying::CalculateBeta(double particleDiameter, double solidDensity,
                                          double gasViscosity, double gasDensity,
                                          double gasVelocity, double riseAngle, double* beta) {
    if (m_strWallFrictionModel == "estimation") {
        *beta = m_dblUserWallFriction;
        return kStatusOk;
    }
    if (m_strWallFrictionModel == "Barth") {
        // Stokes settling velocity over the gas velocity.
        *beta = particleDiameter * particleDiameter * (solidDensity - gasDensity) * m_dblGravity /
                (brixel::kStokesDivisor * gasViscosity * gasVelocity);
        return kStatusOk;
    }
    if (m_strWallFrictionModel == "Muschelknautz") {
        *beta = m_dblClusterFriction * m_dblSolidFractionOnBottom * std::cos(riseAngle) +
                std::sin(riseAngle);
        return kStatusOk;
    }
    return kStatusCapeUnknown;
}

long CDilutePhaseConveying::LambdaS_Muschelknautz(double particleDiameter, double solidDensity,
                                                  double gasViscosity, double gasDensity,
                                                  double gasVelocity, double riseAngle,
                                                  double* lambdaSolids) {
    if (m_strMuschelknautzSolidsFrictionModel == "estimation") {
        *lambdaSolids = m_dblUserLambdaS;
        return kStatusOk;
    }
    if (m_strMuschelknautzSolidsFrictionModel != "Muschelknautz") {
        return kStatusCapeUnknown;
    }
    double beta = 0.0;
    const long status = CalculateBeta(particleDiameter, solidDensity, gasViscosity, gasDensity,
                                      gasVelocity, riseAngle, &beta);
    if (status < 0) {
        return status;
    }
    // Impact friction plus lifting work: lambdaS = c lambdaS* + 2 beta / (c Fr^2), with the
    // Froude number Fr = v / sqrt(g D).
    const double froudeSquared = gasVelocity * gasVelocity / (m_dblGravity * m_dblTubeDiameter);
    *lambdaSolids =
        m_dblVelocityRatio * m_dblLambdaSStar + 2.0 * beta / (m_dblVelocityRatio * froudeSquared);
    return kStatusOk;
}

long CDilutePhaseConveying::AppendPoint(int bead, double length, double pressure,
                                        CString* message) {
    double density = 0.0;
    double viscosity = 0.0;
    double gasFlow = 0.0;
    long status = GetVaporData(bead, &density, &viscosity, message, &gasFlow);
    if (status < 0) {
        return status;
    }
    double pluggingVelocity = 0.0;
    status = CalcPluggingLimit(bead, &pluggingVelocity);
    if (status < 0) {
        return status;
    }
    const double area = std::numbers::pi * m_dblTubeDiameter * m_dblTubeDiameter / 4.0;
    const double velocity = gasFlow / (density * area);
    m_daLength.push_back(length);
    m_daPressure.push_back(pressure);
    m_daGasDensity.push_back(density);
    m_daGasViscosity.push_back(viscosity);
    m_daGasVelocity.push_back(velocity);
    m_daSolidsVelocity.push_back(m_dblVelocityRatio * velocity);
    m_daPluggingVelocity.push_back(pluggingVelocity);
    return kStatusOk;
}

long CDilutePhaseConveying::MarchLine(bool muschelknautz, bool acceleration, double* pressureDrop,
                                      CString* message) {
    if (!pressureDrop || !message) {
        return brixel::kStatusNullPointer;
    }
    try {
        for (std::vector<double>* profile :
             {&m_daLength, &m_daGasVelocity, &m_daPluggingVelocity, &m_daPressure, &m_daGasDensity,
              &m_daGasViscosity, &m_daSolidsVelocity}) {
            profile->clear();
        }
        const brixel::InternalStream stream(*m_pUnit);
        const int bead = stream.Bead();
        double inletPressure = 0.0;
        long status = m_pUnit->GetPressure(bead, &inletPressure);
        if (status >= 0) {
            status = AppendPoint(bead, 0.0, inletPressure, message);
        }
        if (status < 0) {
            return status;
        }
        if (acceleration) {
            // Accelerating the solids from rest to c v.
            const double loss = m_daGasDensity[0] * m_daGasVelocity[0] * m_daGasVelocity[0] *
                                m_dblSolidsLoading * m_dblVelocityRatio;
            const double accelerated = inletPressure - loss;
            if (m_dblLowPressureThreshold > accelerated) {
                message->Format("Pressure below %f Pa after initial acceleration of solids",
                                m_dblLowPressureThreshold);
                return kStatusCapeUnknown;
            }
            status = m_pUnit->SetPressure(bead, accelerated);
            if (status >= 0) {
                status = AppendPoint(bead, 0.0, accelerated, message);
            }
            if (status < 0) {
                return status;
            }
        }
        status = muschelknautz
                     ? CalcMuschelknautzPressureDrop(bead, m_dblTubeLength, m_dblRiseAngle, message)
                     : CalcSiegelPressureDrop(bead, m_dblTubeLength, message);
        for (int32_t k = 0; k < m_nElbows && status >= 0; ++k) {
            status = MarchElbow(muschelknautz, bead, 0.0, m_dblTubeLength, m_dblElbowCoefficient,
                                message);
        }
        if (status < 0) {
            return status;
        }
        *pressureDrop = m_daPressure.front() - m_daPressure.back();
        return kStatusOk;
    } catch (long thrown) {
        return thrown;
    } catch (...) {
        return kStatusCapeUnknown;
    }
}

long CDilutePhaseConveying::CalcMuschelknautzPressureDrop(double* pressureDrop, CString* message) {
    return MarchLine(true, m_bConsiderInitialAcceleration && m_dblSolidsLoading > 0.0, pressureDrop,
                     message);
}

long CDilutePhaseConveying::CalcSiegelPressureDrop(double* pressureDrop, CString* message) {
    return MarchLine(false, m_bConsiderInitialAcceleration, pressureDrop, message);
}

long CDilutePhaseConveying::FrictionLoss(bool muschelknautz, int bead, double length,
                                         double density, double viscosity, double velocity,
                                         double riseAngle, double* loss, CString* message) {
    double lambdaFluid = 0.0;
    long status = CalculateLambdaFluid(density, viscosity, velocity, &lambdaFluid);
    if (status < 0) {
        return status;
    }
    double lambdaSolids = 0.0;
    if (muschelknautz) {
        double solidDensity = 0.0;
        double particleDiameter = 0.0;
        status = GetSolidData(bead, &solidDensity, &particleDiameter, message);
        if (status >= 0 && solidDensity > 0.0 && particleDiameter > 0.0) {
            status = LambdaS_Muschelknautz(particleDiameter, solidDensity, viscosity, density,
                                           velocity, riseAngle, &lambdaSolids);
        }
        if (status < 0) {
            return status;
        }
    } else if (m_dblSolidsLoading > 0.0) {
        lambdaSolids = m_dblLambdaSSiegel;
    }
    const double perDiameter =
        brixel::DynamicPressure(density, velocity) * length / m_dblTubeDiameter;
    *loss = lambdaFluid * perDiameter + m_dblSolidsLoading * lambdaSolids * perDiameter;
    return kStatusOk;
}

long CDilutePhaseConveying::MarchStraight(bool muschelknautz, int bead, double length,
                                          double riseAngle, CString* message) {
    if (!message) {
        return brixel::kStatusNullPointer;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const auto belowThreshold = [&](double position) {
        message->Format(brixel::kBelowThresholdAt, m_dblLowPressureThreshold, position);
        return kStatusCapeUnknown;
    };
    double marched = 0.0;
    double step = std::min(length, m_dblMaxSegmentLength);
    for (;;) {
        const double start = m_daPressure.back();
        const double velocity = m_daGasVelocity.back();
        double drop = 0.0;
        for (int32_t pass = 0;; ++pass) {
            if (pass > m_nMaxIterations) {
                *message = "Reached maximum number of iterations";
                return kStatusCapeUnknown;
            }
            double density = 0.0;
            double viscosity = 0.0;
            long status = unit.SetPressure(bead, start);
            if (status >= 0) {
                status = GetVaporData(bead, &density, &viscosity, message);
            }
            if (status >= 0) {
                status = FrictionLoss(muschelknautz, bead, step, density, viscosity, velocity,
                                      riseAngle, &drop, message);
            }
            if (status < 0) {
                return status;
            }
            // Siegel: lifting the solids over the rise of the segment.
            const double rise = std::sin(riseAngle) * step;
            if (!muschelknautz && m_dblSolidsLoading > 0.0 && rise != 0.0) {
                drop += m_dblSolidsLoading * density * m_dblGravity * rise / m_dblVelocityRatio;
            }
            if (muschelknautz && m_dblLowPressureThreshold > start) {
                return belowThreshold(marched);
            }
            if (step >= brixel::kShortestSegment &&
                std::abs(drop) / start > m_dblMaxRelPressureDifference) {
                step *= m_dblLengthAdjustmentFactor;
            } else {
                break;
            }
        }
        double current = start;
        if (muschelknautz) {
            marched += step;
            const long status = unit.GetPressure(bead, &current);
            if (status < 0) {
                return status;
            }
        } else {
            marched += std::abs(step);
        }
        if (m_dblLowPressureThreshold > current - drop) {
            return belowThreshold(marched);
        }
        long status = unit.SetPressure(bead, start - drop);
        if (status >= 0) {
            status = AppendPoint(bead, marched, start - drop, message);
        }
        if (status < 0) {
            return status;
        }
        if (marched >= length) {
            return kStatusOk;
        }
        step = std::min(length - marched, m_dblMaxSegmentLength);
    }
}

long CDilutePhaseConveying::CalcMuschelknautzPressureDrop(int bead, double length, double riseAngle,
                                                          CString* message) {
    return MarchStraight(true, bead, length, riseAngle, message);
}

long CDilutePhaseConveying::CalcSiegelPressureDrop(int bead, double length, CString* message) {
    return MarchStraight(false, bead, length, m_dblRiseAngle, message);
}

long CDilutePhaseConveying::MarchElbow(bool muschelknautz, int bead, double straightLength,
                                       double position, double zeta, CString* message) {
    if (!message) {
        return brixel::kStatusNullPointer;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    const double start = m_daPressure.back();
    const double velocity = m_daGasVelocity.back();
    const double dynamic = brixel::DynamicPressure(m_daGasDensity.back(), velocity);
    double drop = zeta * dynamic;
    if (m_dblSolidsLoading > 0.0) {
        drop += m_dblVelocityRatio * m_dblSolidsLoading * dynamic;
    }
    const auto belowThreshold = [&] {
        message->Format(brixel::kBelowThresholdAt, m_dblLowPressureThreshold, position);
        return kStatusCapeUnknown;
    };
    // Refused before the stream would be given a pressure below the threshold; the check
    // after the straight part would refuse it anyway.
    if (m_dblLowPressureThreshold > start - drop) {
        return belowThreshold();
    }
    double density = 0.0;
    double viscosity = 0.0;
    long status = unit.SetPressure(bead, start - drop);
    if (status >= 0) {
        status = GetVaporData(bead, &density, &viscosity, message);
    }
    if (status >= 0 && straightLength > 0.0) {
        double friction = 0.0;
        status = FrictionLoss(muschelknautz, bead, straightLength, density, viscosity, velocity,
                              0.0, &friction, message);
        drop += friction;
    }
    double current = 0.0;
    if (status >= 0) {
        status = unit.GetPressure(bead, &current);
    }
    if (status < 0) {
        return status;
    }
    // The loss of the elbow itself is in both the stream's pressure and the drop.
    if (m_dblLowPressureThreshold > current - drop) {
        return belowThreshold();
    }
    status = unit.SetPressure(bead, start - drop);
    if (status >= 0) {
        status = AppendPoint(bead, straightLength + position, start - drop, message);
    }
    return status;
}

long CDilutePhaseConveying::CalcMuschelknautzPressureDropCurve(int bead, double straightLength,
                                                               double position, double zeta,
                                                               CString* message) {
    return MarchElbow(true, bead, straightLength, position, zeta, message);
}

long CDilutePhaseConveying::CalcSiegelPressureDropCurve(int bead, double straightLength,
                                                        double position, double zeta,
                                                        CString* message) {
    return MarchElbow(false, bead, straightLength, position, zeta, message);
}

long CDilutePhaseConveying::GenerateProfiles(int intervals) {
    std::vector<double>* const outputs[] = {&m_daOutGasVelocity,  &m_daOutPluggingVelocity,
                                            &m_daOutPressure,     &m_daOutGasDensity,
                                            &m_daOutGasViscosity, &m_daOutSolidsVelocity};
    const std::vector<double>* const working[] = {&m_daGasVelocity,  &m_daPluggingVelocity,
                                                  &m_daPressure,     &m_daGasDensity,
                                                  &m_daGasViscosity, &m_daSolidsVelocity};
    m_daOutLength.clear();
    for (std::vector<double>* output : outputs) {
        output->clear();
    }
    if (intervals == 0) {
        return kStatusOk;
    }
    if (intervals < 0) {
        return brixel::kStatusInvalidArgument;
    }
    const std::size_t points = m_daLength.size();
    const double step = m_dblTubeLength / intervals;
    double position = 0.0;
    // Lengths rise along the grid and along the points, so the search goes on from the point
    // the previous grid length matched.
    std::size_t j = 0;
    for (int k = 0; k <= intervals; ++k) {
        if (k > 0) {
            position += step;
        }
        // Summing the steps may miss the end by a rounding error; the grid ends at the tube's end.
        if (k == intervals) {
            position = m_dblTubeLength;
        }
        m_daOutLength.push_back(position);
        for (; j + 1 < points; ++j) {
            const double a = m_daLength[j];
            const double b = m_daLength[j + 1];
            double weight = -1.0;  // share of point j + 1
            if (a == position) {
                weight = 0.0;
            } else if (b == position || (j + 2 == points && position > b)) {
                weight = 1.0;
            } else if (a <= position && position <= b) {
                weight = (position - a) / (b - a);
            }
            if (weight >= 0.0) {
                for (std::size_t q = 0; q < std::size(outputs); ++q) {
                    const double first = (*working[q])[j];
                    const double second = (*working[q])[j + 1];
                    outputs[q]->push_back(weight == 0.0   ? first
                                          : weight == 1.0 ? second
                                                          : first + (second - first) * weight);
                }
                break;
            }
        }
    }
    return kStatusOk;
}
