#pragma once

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/cstring_array.h"
#include "brixel/platform/safe_array.h"

class CBrixelBaseUnit;
namespace brixel {
struct SlugFlow;
}

// Dense-phase (slug-flow) pneumatic conveying: the solids move as packed slugs that the gas
// pushes through the pipe. The slug velocity balances the gradient the gas loses through a
// slug (Ergun equation) against the gradient that pushes a slug along the wall; from it follow
// the slug length, the friction, bend and lift pressure drops, the outlet state and the heat
// duty. A calculation object of a unit with the ports "INLET" and "OUTLET"; all stream,
// property and message work goes through that unit.
class BRIXEL_API CDensePhaseConveying {
  public:
    explicit CDensePhaseConveying(CBrixelBaseUnit* unit);
    CDensePhaseConveying(const CDensePhaseConveying& other);
    CDensePhaseConveying& operator=(const CDensePhaseConveying& other);
    ~CDensePhaseConveying();

    // Empties the list and names the ports "INLET" and "OUTLET".
    long InitializePorts(CStringArray* portNames);

    // No setter checks its value; ValidateData does. Lengths in m, angles in rad.
    void SetUseUserDefParticleDiamMode(bool use) { m_bUseUserParticleDiameter = use; }
    void SetUseUserDefCharacViscosityParameter(bool use) { m_bUseUserCharacViscosity = use; }
    bool GetUseUserDefCharacViscosityParameter() const { return m_bUseUserCharacViscosity; }
    void SetTubeDiameter(double value) { m_dblTubeDiameter = value; }
    void SetTubeLength(double value) { m_dblTubeLength = value; }
    double GetTubeLength() const { return m_dblTubeLength; }
    void SetRiseAngle(double value) { m_dblRiseAngle = value; }
    void SetFictiveLenght(double value) { m_dblFictiveLength = value; }  // m of straight pipe
    void SetBulkDensity(double value) { m_dblBulkDensity = value; }      // kg/m3 of a slug
    void SetStressTransCoef(double value) { m_dblStressTransCoef = value; }
    void SetParticelWallFriction(double value) { m_dblParticleWallFriction = value; }
    void SetCharacViscosityParameter(double value) { m_dblUserCharacViscosity = value; }  // m/s
    double GetUserDefCharacViscParameter() const { return m_dblUserCharacViscosity; }
    void SetUserDefParticleDiameter(double value) { m_dblUserParticleDiameter = value; }
    void SetVoidage(double value) {
        m_dblVoidage = value;
    }  // only to derive a missing bulk density
    void SetSphericity(double value) { m_dblSphericity = value; }
    void SetMaxIt(int value) { m_nMaxIt = value; }
    void SetLowPressureThreshold(double value) { m_dblLowPressureThreshold = value; }  // Pa
    // The names are crossed: the "velocity" tolerance ends the slug-velocity search on the
    // relative difference of the two gradients, the "pressure" tolerance on the relative
    // width of the velocity interval.
    void SetVelocityTolerance(double value) { m_dblPressureDifferenceTolerance = value; }
    void SetPressureTolerance(double value) { m_dblVelocityTolerance = value; }

    // Results (Pa, m/s, m, kg/kg, W); m_dblRMiss until calculated.
    double GetFrictionPressureDrop() const { return m_dblFrictionPressureDrop; }
    double GetCurvePressureDrop() const { return m_dblCurvePressureDrop; }
    double GetPressureDropLift() const { return m_dblLiftPressureDrop; }
    double GetTotCalcPressureDrop() const { return m_dblTotalPressureDrop; }
    double GetSlugVelocity() const { return m_dblSlugVelocity; }
    double GetTotSlugLength() const { return m_dblTotalSlugLength; }
    double GetCalcCharacViscParameter() const { return m_dblCalcCharacViscosity; }
    double GetSolidsLoading() const { return m_dblSolidsLoading; }
    double GetCalculatedHeatDuty() const { return m_dblHeatDuty; }
    // Copies of the profiles of GeneratePressureProfile: length (m) and pressure (Pa).
    CComSafeArray<double> GetLenghtProfile() const { return m_saLengthProfile; }
    CComSafeArray<double> GetPressureProfile() const { return m_saPressureProfile; }

    // ---- read access for reports and tests ----
    double GetTubeDiameter() const { return m_dblTubeDiameter; }
    double GetFictiveLength() const { return m_dblFictiveLength; }
    double GetRiseAngle() const { return m_dblRiseAngle; }
    // The given bulk density, or the one derived from the voidage by Calculate.
    double GetBulkDensity() const { return m_dblBulkDensity; }
    double GetInletGasVelocity() const { return m_dblInletGasVelocity; }
    // The particle diameter the last calculation used (m): the user's or the PSD's Sauter.
    double GetParticleDiameter() const { return m_dblParticleDiameter; }
    double GetLowPressureThreshold() const { return m_dblLowPressureThreshold; }

    void ValidateData();
    long Calculate();
    // Fallback outlet: the inlet, at the low-pressure threshold when that is above the host's
    // smallest real.
    void SetOutletStreams();
    // n + 1 points, evenly spaced over the tube and the fictive bend length, of a straight
    // pressure line from the inlet pressure down by the total pressure drop. n = 0 empties the
    // profiles; a negative n, or no calculated pressure drop, is refused.
    long GeneratePressureProfile(int n);
    // Mass flows in kg/s, diameter in m, densities in kg/m3, viscosity in Pa s. The particle
    // diameter and the solid density are read only when there are solids.
    long GetInletData(double& solidFlow, double& particleDiameter, double& solidDensity,
                      double& gasFlow, double& gasViscosity, double& gasDensity,
                      double& liquidFlow);

  private:
    // The slug-velocity search over [u_c, vG]; on success the slug velocity and the
    // velocity ratio r of the last evaluated trial velocity.
    long FindSlugVelocity(const brixel::SlugFlow& flow, double& slugVelocity, double& lastRatio);
    // The results from the slug velocity on, through the outlet state and the heat duty.
    long FinishCalculation(const brixel::SlugFlow& flow, double slugVelocity, double lastRatio);
    void RaiseError(uint32_t code, const CString& text);
    void RaiseError(uint32_t code, const CString& first, const CString& second);
    void Warn(uint32_t code, const CString& text);
    void Warn(uint32_t code, const CString& first, const CString& second);

    CBrixelBaseUnit* m_pUnit;
    bool m_bUseUserParticleDiameter = false;
    bool m_bUseUserCharacViscosity = true;
    double m_dblTubeDiameter;
    double m_dblTubeLength;
    double m_dblRiseAngle;
    double m_dblFictiveLength;
    double m_dblBulkDensity;
    double m_dblStressTransCoef;
    double m_dblParticleWallFriction;
    double m_dblUserCharacViscosity;
    double m_dblUserParticleDiameter;
    double m_dblVoidage;
    double m_dblSphericity = 1.0;
    int m_nMaxIt = 100;
    double m_dblLowPressureThreshold = 100.0;
    double m_dblPressureDifferenceTolerance = 1e-4;
    double m_dblVelocityTolerance = 1e-6;
    double m_dblFrictionPressureDrop;
    double m_dblCurvePressureDrop;
    double m_dblLiftPressureDrop;
    double m_dblTotalPressureDrop;
    double m_dblInletGasVelocity;
    double m_dblSlugVelocity;
    double m_dblTotalSlugLength;
    double m_dblCalcCharacViscosity;
    double m_dblSolidsLoading;
    double m_dblHeatDuty;
    CComSafeArray<double> m_saLengthProfile;
    CComSafeArray<double> m_saPressureProfile;
    double m_dblSolidFlow;
    double m_dblParticleDiameter;
    double m_dblSolidDensity;
    double m_dblGasFlow;
    double m_dblGasDensity;
    double m_dblGasViscosity;
    double m_dblLiquidFlow;
    double m_dblGravity;
};

namespace brixel {

// The two pressure gradients (Pa/m) of a slug moving at u in a pipe, for plain data.
struct SlugFlow {
    double diameter;                // D, m
    double gravity;                 // g, m/s2
    double bulkDensity;             // rho_b, kg/m3 of the packed slug
    double stressTransmission;      // k
    double wallFriction;            // mu_w
    double characteristicVelocity;  // u_c, m/s
    double gasVelocity;             // vG, m/s, inlet superficial gas velocity
    double ergunA;                  // Pa s/m2
    double ergunB;                  // Pa s2/m3
};

// Ergun coefficients of a packed bed of voidage e, sphericity psi and particle diameter d:
// A = 150 (1 - e)^2 eta / (e^3 psi^2 d^2), B = 1.75 (1 - e) rhoG / (e^3 psi d).
void ErgunCoefficients(double voidage, double sphericity, double particleDiameter,
                                  double gasViscosity, double gasDensity, double& a, double& b);
// Gradient that pushes a slug along the wall at u (G1): with r = u_c/u and the slug's
// contact height h from the chord s = D (4 r (1 - r))^0.3333,
// (4 mu_w k / D) (r (1 - r) rho_b u^2 + h g rho_b / (2 k)) + mu_w rho_b g.
double SlugPushGradient(const SlugFlow& flow, double u);
// Gradient the gas loses passing a slug at the relative velocity vG - u (G2):
// B (vG - u)^2 + A (vG - u).
double SlugGasGradient(const SlugFlow& flow, double u);

}  // namespace brixel
