#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/framework/unit_element.h"
#include "brixel/platform/cstring.h"

// Sets the thermodynamic state of a unit's outlets from one or two state variables
// (temperature, pressure, their changes against a reference stream, heat duty, vapour flow
// or vapour fraction) and flashes them. Two outlets may share one heat duty so that they
// leave at one temperature.
class BRIXEL_API CSetStateVariables : public CUnitElement {
  public:
    static constexpr int kAllowedCount = 6;

    explicit CSetStateVariables(CBrixelBaseUnit* unit);
    CSetStateVariables(const CSetStateVariables& other);
    CSetStateVariables& operator=(const CSetStateVariables& other);
    ~CSetStateVariables() override;

    // Names of the ids 0 ... 7; empty for any other id.
    static CString GetStateVariableFromID(int id);
    // Exact comparison; both vapour-fraction names give 3, so that they share the allowed
    // flag of "vapor flow rate"; -1 for an unknown name.
    static int GetIDOfStateVariable(const CString& name);

    void SetState1(const CString& name) { m_strState1 = name; }
    void SetState2(const CString& name) { m_strState2 = name; }
    const CString& GetState1() const { return m_strState1; }
    const CString& GetState2() const { return m_strState2; }
    void SetNumberOfVariables(int count) { m_nVariables = count; }
    int GetNumberOfVariables() const { return m_nVariables; }
    // Takes ownership of an array of kAllowedCount flags; a null array keeps the present one.
    void SetAllowedVariables(std::unique_ptr<bool[]> allowed);
    bool IsVariableAllowed(int id) const;  // false outside 0 ... kAllowedCount - 1

    // A duty the user specified is never overwritten by a computed one.
    void SetHeatDuty(double watts);
    double GetHeatDuty() const { return m_dblHeatDuty; }
    bool IsHeatDutySelected() const;

    void SetTemperature(double kelvin) { m_dblTemperature = kelvin; }
    void SetPressure(double pascal) { m_dblPressure = pascal; }
    void SetVaporFlowRate(double kgPerSecond) { m_dblVaporFlow = kgPerSecond; }
    void SetPressureChange(double pascal) { m_dblPressureChange = pascal; }
    void SetTemperatureChange(double kelvin) { m_dblTemperatureChange = kelvin; }
    void SetVaporFraction(double fraction) { m_dblVaporFraction = fraction; }
    void SetTemperatureEstimate(double kelvin) { m_dblTemperatureEstimate = kelvin; }
    void SetPressureEstimate(double pascal) { m_dblPressureEstimate = pascal; }
    double GetTemperature() const { return m_dblTemperature; }
    double GetPressure() const { return m_dblPressure; }
    double GetVaporFlowRate() const { return m_dblVaporFlow; }
    double GetPressureChange() const { return m_dblPressureChange; }
    double GetTemperatureChange() const { return m_dblTemperatureChange; }
    double GetVaporFraction() const { return m_dblVaporFraction; }

    void ValidateData() override;

    // Ports or beads; inlet -1 makes the outlet its own reference. A failing read of the
    // reference is thrown as its long status.
    long CalcFlash(int outlet, int inlet);
    // Port names; a thrown long is returned, any other exception gives 0x80004005.
    long CalcFlash(const CString& outlet, const CString& inlet);
    // Several outlets with one common heat duty; inlet -1 means the first listed outlet.
    long CalcFlash(const std::vector<int>* outlets, int inlet);

  private:
    bool IsSelected(const CString& name) const;
    std::vector<CString> SelectedNames() const;
    // Statuses: 0, or 0x80040506 after the limit message.
    long CheckOutletTemperature(double value);
    long CheckOutletPressure(double value);
    // Splits the reference's fluid into vapour and liquid of one composition in the outlet;
    // returns the outlet's molar vapour fraction of its mixed substream.
    double SplitFluid(int outlet, int reference, const CString& name);
    long ShareHeatDuty(int first, int second, int reference);
    // The equilibria of the duty sharing: temperature + pressure, pressure + enthalpy.
    bool TemperaturePressureEquilibrium(int bead);
    bool PressureEnthalpyEquilibrium(int bead);
    long FlashFailed();                // raises the flash message; 0x80004005
    double ReadTemperature(int bead);  // throws the long status
    double ReadPressure(int bead);     // throws the long status

    std::unique_ptr<bool[]> m_baAllowed;
    int m_nVariables = 2;
    double m_dblTemperature;
    double m_dblPressure;
    double m_dblHeatDuty;
    double m_dblVaporFlow;
    double m_dblPressureChange;
    double m_dblTemperatureChange;
    double m_dblVaporFraction;
    double m_dblTemperatureEstimate;
    double m_dblPressureEstimate;
    CString m_strState1 = "temperature change";
    CString m_strState2 = "pressure change";
    std::array<CString, 6> m_saFurther;  // kept for the host's models; not read here
};

namespace brixel {

// Secant on the first outlet's enthalpy h (W) for difference(h) = T(first) - T(second) = 0,
// starting at `start`; `scale` (W) sizes the first step when start is 0. Returns 0 when the
// temperatures agree, 0x80004005 when the secant stalls with them apart or runs out of steps;
// what `difference` throws passes through.
long EqualTemperatureSecant(const std::function<double(double)>& difference, double start,
                            double scale);

}  // namespace brixel
