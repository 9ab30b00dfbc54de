#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/cstring_array.h"
#include "brixel/platform/safe_array.h"

class CBrixelBaseUnit;

// A dilute-phase pneumatic conveying line: gas carrying solids in suspension through a pipe
// of given diameter, length and rise angle with a number of elbows. Computes the pressure
// drop by marching along the pipe on an internal copy of the inlet whose pressure follows
// the march, the outlet state, heat duty, solids loading and profiles along the line, and
// warns where the gas velocity falls below the plugging (saltation) velocity. Owned by a
// conveying unit, through which it does all its stream, property and message work.
//
// Units are SI; angles in radians.
class BRIXEL_API CDilutePhaseConveying {
  public:
    explicit CDilutePhaseConveying(CBrixelBaseUnit* unit);
    CDilutePhaseConveying(const CDilutePhaseConveying& other);
    CDilutePhaseConveying& operator=(const CDilutePhaseConveying& other);
    ~CDilutePhaseConveying();

    // Empties the list and names the ports "INLET" and "OUTLET"; returns 0.
    long InitializePorts(CStringArray* portNames);

    // ---- parameters; no setter checks its value (ValidateData does) ----
    void SetSolidsPressureDropModel(const CString& name) { m_strSolidsPressureDropModel = name; }
    const CString& GetSolidsPressureDropModel() const { return m_strSolidsPressureDropModel; }
    void SetFluidPressureDropModel(const CString& name) { m_strFluidPressureDropModel = name; }
    const CString& GetFluidPressureDropModel() const { return m_strFluidPressureDropModel; }
    void SetWallFrictionModel(const CString& name) { m_strWallFrictionModel = name; }
    const CString& GetWallFrictionModel() const { return m_strWallFrictionModel; }
    void SetMuschelknautzSolidsFrictionModel(const CString& name) {
        m_strMuschelknautzSolidsFrictionModel = name;
    }
    const CString& GetMuschelknautzSolidsFrictionModel() const {
        return m_strMuschelknautzSolidsFrictionModel;
    }
    void SetPluggingLimitModel(const CString& name) { m_strPluggingLimitModel = name; }
    const CString& GetPluggingLimitModel() const { return m_strPluggingLimitModel; }
    void SetConsiderInitialAccelerationMode(bool on) { m_bConsiderInitialAcceleration = on; }
    void SetUseUserDefParticleDiamMode(bool on) { m_bUseUserParticleDiameter = on; }
    void SetTubeDiameter(double value) { m_dblTubeDiameter = value; }
    void SetTubeLength(double value) { m_dblTubeLength = value; }
    double GetTubeLength() const { return m_dblTubeLength; }
    void SetRiseAngle(double radians) { m_dblRiseAngle = radians; }
    void SetFluidFrictionParameter(double value) { m_dblFluidFrictionParameter = value; }
    void SetUserLambdaS_Muschelknautz(double value) { m_dblUserLambdaS = value; }
    void SetMuschelknautzLambda_S_Star(double value) { m_dblLambdaSStar = value; }
    void SetUserDefinedWallFrictionParameter(double value) { m_dblUserWallFriction = value; }
    void SetFrictionParameterSolidClusterAndTubeWall(double value) { m_dblClusterFriction = value; }
    void SetSolidFractionOnTubeBottom(double value) { m_dblSolidFractionOnBottom = value; }
    void SetLambdaSSiegel(double value) { m_dblLambdaSSiegel = value; }
    void SetVelocityRatio(double value) { m_dblVelocityRatio = value; }
    void SetBulkPorosity(double value) { m_dblBulkPorosity = value; }
    void SetUserDefParticleDiameter(double value) { m_dblUserParticleDiameter = value; }
    void SetPressureDropCoefCurves(double value) { m_dblElbowCoefficient = value; }
    void SetNumberOfCurves(int32_t count) { m_nElbows = count; }
    void SetMaxRelPressureDifference(double value) { m_dblMaxRelPressureDifference = value; }
    void SetLenghtAdjustemtFactor(double value) { m_dblLengthAdjustmentFactor = value; }
    void SetLowPressureThreshold(double pascal) { m_dblLowPressureThreshold = pascal; }
    void SetMaxSegmentLength(double value) { m_dblMaxSegmentLength = value; }
    void SetMaxIt(int32_t count) { m_nMaxIterations = count; }

    // ---- results ----
    double GetCalculatedPressureDrop() const { return m_dblPressureDrop; }           // Pa
    double GetCalculatedSolidsLoading() const { return m_dblSolidsLoading; }         // kg/kg
    double GetCalculatedHeatDuty() const { return m_dblHeatDuty; }                   // W
    double GetMinDifferenceVgasToVsaltation() const { return m_dblMinVelocityGap; }  // m/s
    // The output profiles of the last GenerateProfiles, as copies.
    CComSafeArray<double> GetLenghtProfile() const;
    CComSafeArray<double> GetVaporVelocityProfile() const;
    CComSafeArray<double> GetPluggingLimitProfile() const;
    CComSafeArray<double> GetPressureProfile() const;
    CComSafeArray<double> GetVaporDensityProfile() const;
    CComSafeArray<double> GetViscosityProfile() const;
    CComSafeArray<double> GetSolidsVelocityProfile() const;

    // The working profiles of the last march, one entry per computed point, for reports and
    // tests.
    enum class Profile {
        kLength,
        kGasVelocity,
        kPluggingVelocity,
        kPressure,
        kGasDensity,
        kGasViscosity,
        kSolidsVelocity
    };
    const std::vector<double>& GetWorkingProfile(Profile which) const;

    // ---- calculation ----
    void ValidateData();
    // Conveys the inlet to the outlet; 0, or the status of the first failure (with its
    // calculation error raised).
    long Calculate();
    // Fallback outlet after an abort: the inlet at the low-pressure threshold.
    void SetOutletStreams();
    // Resamples the computed points onto `intervals` + 1 evenly spaced lengths.
    long GenerateProfiles(int intervals);

    // Solid mass flow (kg/s), density (kg/m3) and particle diameter (m) of a stream (bead or
    // port); density and diameter -1 without solids. Failures write their text to `message`.
    long GetSolidData(int stream, double* solidDensity, double* particleDiameter, CString* message,
                      double* solidMassFlow = nullptr);
    // Gas density (kg/m3), viscosity (Pa s) and mass flow (kg/s) of a stream.
    long GetVaporData(int stream, double* gasDensity, double* gasViscosity, CString* message,
                      double* gasMassFlow = nullptr);

    // ---- pressure drop (dilute_pressure_drop.cpp) ----
    // Drivers: the whole line, straight pipe and elbows; the drop in Pa.
    long CalcMuschelknautzPressureDrop(double* pressureDrop, CString* message);
    long CalcSiegelPressureDrop(double* pressureDrop, CString* message);
    // The march over a straight pipe of the given length from the last computed point.
    long CalcMuschelknautzPressureDrop(int bead, double length, double riseAngle, CString* message);
    long CalcSiegelPressureDrop(int bead, double length, CString* message);
    // One elbow at `position` followed by a straight length.
    long CalcMuschelknautzPressureDropCurve(int bead, double straightLength, double position,
                                            double zeta, CString* message);
    long CalcSiegelPressureDropCurve(int bead, double straightLength, double position, double zeta,
                                     CString* message);
    // Friction factors; 0x80040501 for an unknown model name.
    long CalculateLambdaFluid(double gasDensity, double gasViscosity, double gasVelocity,
                              double* lambdaFluid);
    long LambdaS_Muschelknautz(double particleDiameter, double solidDensity, double gasViscosity,
                               double gasDensity, double gasVelocity, double riseAngle,
                               double* lambdaSolids);
    long CalculateBeta(double particleDiameter, double solidDensity, double gasViscosity,
                       double gasDensity, double gasVelocity, double riseAngle, double* beta);

    // ---- plugging limits (plugging_limits.cpp); v_min in m/s ----
    long CalcPluggingLimit(int bead, double* minimumVelocity);
    long CalcPluggingLimitRizk(int bead, double* minimumVelocity);
    long CalcPluggingLimitMuschelknautz(int bead, double* minimumVelocity);
    long CalcPluggingLimitSegler(double* minimumVelocity);
    long CalcPluggingLimitWirth(int bead, double bulkPorosity, double* minimumVelocity);
    long CalcPluggingLimitDimensionlesNumber(int bead, double* minimumVelocity);

  private:
    // One computed point of the march, appended to the working profiles.
    long AppendPoint(int bead, double length, double pressure, CString* message);
    // The frame both drivers share: the inlet point, the acceleration, the straight pipe and
    // the elbows.
    long MarchLine(bool muschelknautz, bool acceleration, double* pressureDrop, CString* message);
    // Gas and solids friction (Pa) over a straight length from the state (rho, eta, v).
    long FrictionLoss(bool muschelknautz, int bead, double length, double density, double viscosity,
                      double velocity, double riseAngle, double* loss, CString* message);
    long MarchStraight(bool muschelknautz, int bead, double length, double riseAngle,
                       CString* message);
    long MarchElbow(bool muschelknautz, int bead, double straightLength, double position,
                    double zeta, CString* message);
    // Applies a plugging correlation to the inlet's solid mass flow and the given stream's
    // gas density and, when `withSolidDensity`, solid density; a failed read returns its
    // status with nothing written. Without solids nothing but the flow is read.
    template <typename Correlation>
    long PluggingVelocity(int bead, bool withSolidDensity, double* minimumVelocity,
                          Correlation correlation);
    void RaiseTwoLineWarning(uint32_t code, const CString& first, const CString& second);

    CBrixelBaseUnit* m_pUnit;
    CString m_strSolidsPressureDropModel;
    CString m_strFluidPressureDropModel = "Blasius";
    CString m_strWallFrictionModel = "Barth";
    CString m_strMuschelknautzSolidsFrictionModel = "Muschelknautz";
    CString m_strPluggingLimitModel = "Molerus et al.";
    bool m_bConsiderInitialAcceleration = true;
    bool m_bUseUserParticleDiameter = false;
    double m_dblTubeDiameter;
    double m_dblTubeLength;
    double m_dblRiseAngle;
    double m_dblFluidFrictionParameter = 0.02;
    double m_dblUserLambdaS = 0.00475;
    double m_dblLambdaSStar = 0.015;
    double m_dblUserWallFriction = 0.55;
    double m_dblClusterFriction = 0.4;
    double m_dblSolidFractionOnBottom = 0.2;
    double m_dblLambdaSSiegel = 0.08;
    double m_dblVelocityRatio = 0.75;
    double m_dblBulkPorosity;
    double m_dblUserParticleDiameter;
    double m_dblElbowCoefficient;
    int32_t m_nElbows = 0;
    double m_dblMaxRelPressureDifference = 0.05;
    double m_dblLengthAdjustmentFactor = 0.8;
    double m_dblLowPressureThreshold = 100.0;
    double m_dblMaxSegmentLength = 10.0;
    int32_t m_nMaxIterations = 100;
    double m_dblPressureDrop;
    double m_dblSolidsLoading;
    double m_dblHeatDuty;
    double m_dblMinVelocityGap;
    // Working profiles, one entry per computed point.
    std::vector<double> m_daLength, m_daGasVelocity, m_daPluggingVelocity, m_daPressure,
        m_daGasDensity, m_daGasViscosity, m_daSolidsVelocity;
    // The same quantities on the even output grid.
    std::vector<double> m_daOutLength, m_daOutGasVelocity, m_daOutPluggingVelocity, m_daOutPressure,
        m_daOutGasDensity, m_daOutGasViscosity, m_daOutSolidsVelocity;
    double m_dblInletVolumeFlow;  // m3/s, gas plus solids
    double m_dblInletPressure;    // Pa
    double m_dblGravity;          // m/s2
};
