#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "brixel/framework/phase_ids.h"

#include "brixel/framework/export.h"
#include "brixel/framework/flash_buffer.h"
#include "brixel/messages/error_print.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/com_types.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/cstring_array.h"
#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"

namespace brixel {
struct PropertyStream;
struct MovementMatrix;
}  // namespace brixel

// Base class of every unit-operation model: binds a model to its host block, names its
// ports, keeps internal working streams, runs the common first step of a calculation and
// the fallback exit. Members are defined in the folder of the concern that owns them; each
// section below names its files.
//
// The destructor is not virtual: models are destroyed through their own type.
class BRIXEL_API CBrixelBaseUnit : public CErrorPrint {
  public:
    CBrixelBaseUnit();
    ~CBrixelBaseUnit();
    CBrixelBaseUnit(const CBrixelBaseUnit&) = delete;
    CBrixelBaseUnit& operator=(const CBrixelBaseUnit&) = delete;

    // Host missing-value markers, refreshed by every unit constructor.
    static double m_dblRMiss;
    static double m_dblRMin;
    static int m_nIMiss;
    static void RefreshMarkers();

    // ---- virtual operations, in slot order after those of CErrorPrint
    //      (framework/brixel_base_unit.cpp, ports.cpp) ----
    virtual void ValidateData();
    virtual int GetBeadForPort(int port);
    // Supplied by the host's own models; the library never calls them.
    virtual const char* GetModelName() const = 0;  // routine name of the model, e.g. "SOLSEP"
    virtual long WriteReport() = 0;                // the model's block report
    virtual void SetStreamBeads(int64_t* inletCount, int64_t* inlets, int64_t* outletCount,
                                int64_t* outlets);
    virtual void SetOutletStreams();

    // ---- binding (framework/brixel_base_unit.cpp) ----
    void SetUnitBeads(int64_t* intParameters, double* realParameters);
    void SetQuarnParams(int64_t* unused1, int64_t* methodSet, int64_t* unused2,
                        int64_t* statusBlock);
    void SetNBOPST(int64_t* methodSet);
    void SetBlockID(int64_t* packedId, int flag);
    int64_t* GetIntvals() const { return m_pIntvals; }
    double* GetRealvals() const { return m_pRealvals; }
    int64_t* GetNBOPST() const { return m_pNBOPST; }
    const CString& GetBlockName() const { return m_strBlockName; }
    int GetValidationStatus() const { return m_nValidationStatus; }

    // ---- lifecycle (framework/brixel_base_unit.cpp) ----
    long Initialize();
    long Validate(BSTR* message, VARIANT_BOOL* valid);
    long Calculate();
    void SetErrorExit();

    // ---- ports and streams (framework/ports.cpp) ----
    int GetPortNumberFromName(const CString& name);
    int GetBeadNumberFromName(const CString& name);
    int GetStreamAtPort(const CString& name);
    int GetStreamAtPortNoAddRef(const CString& name);
    // In place for a modifiable int; returning the bead for a value.
    void ConvertPortToStreamBeadNumber(int& port);
    int ConvertPortToStreamBeadNumber(const int& port);
    int GetNumberOfInletPorts() const { return m_nInlets; }
    int GetNumberOfOutletPorts() const { return m_nOutlets; }
    const CStringArray& GetPortNames() const { return m_saPortNames; }
    long CopyInletToOutlets();
    long CopyInletToOutlets(const CString& inletName, const CString& outletName);
    int CreateInternalStream(int portOrBead);
    int CreateInternalStream(const CString& portName);
    void RemoveInternalStream(int bead);
    long CopyInternalStreamToOutlet(const int& bead, const CString& outletName);
    void DontUseStandardDummyStream();
    const std::vector<int>& GetInternalStreams() const { return m_naInternalStreams; }
    double GetMassBalanceTolerance() const;
    // Unlock and destroy the array passed in.
    static void DumpSafeArray(CComSafeArray<double>& values);
    static void DumpSafeArray(CComSafeArray<BSTR>& values);
    static void DumpSafeArray(CComSafeArray<VARIANT>& values);
    void DumpStreamBead(int bead, bool flows, bool state, bool attributes, bool header);
    void DumpStreamBead(const CString& portName, bool flows, bool state, bool attributes,
                        bool header);

    // ---- stream records (framework/stream_records.cpp) ----
    int GetNSubs(const int64_t* streamClass) const;
    int GetIsstype(const int64_t* streamClass, int substream) const;
    int64_t* GetLsscl(const int64_t* streamClass, int substream) const;
    int GetSubLength(const int64_t* streamClass, int substream) const;
    int GetlSuboff(const int64_t* streamClass, int substream) const;
    CString GetSubstreamID(const int64_t* streamClass, int substream) const;
    void GetQuarnStreamInformation(int& port, int64_t*& streamClass, double*& streamVector,
                                   int& ncc, int& nncc);
    int IsInfoStream(int bead, double*& streamVector) const;
    bool IsPSD(const int64_t* attributeRecord) const;
    bool HasPSD(const int64_t* streamClass, int substream) const;
    int GetNumberOfSolidComps() const { return static_cast<int>(m_naSolidComps.size()); }
    const int* GetSolidCompIDs() const { return m_naSolidComps.data(); }
    // n 64-bit copies of 32-bit integers; null for n <= 0 or null values.
    static std::unique_ptr<int64_t[]> Copy2ForInt(int n, const int32_t* values);

    // ---- property vocabulary (brixel/properties/vocabulary.cpp, compounds.cpp) ----
    // Name lookups: an unknown name throws the long value 0x80070057.
    int GetPropertyID(const CComBSTR& name);
    int GetPropertyBasis(const CComBSTR& name);
    int GetPhaseIDFromPhaseLabel(const CComBSTR& label);
    // Substream of a phase id (-1 vapour, -2 liquid, -3 the first solid substream after
    // `after`, 0 or more a substream number); -9999 when there is none.
    int GetSubstreamNumberFromPhaseID(const int& phaseId, const int64_t* streamClass, int after);
    // The label when the unit has an inlet, else empty; the port is not used.
    CComBSTR GetPhaseName(const CString& portName, const CString& label);
    // Statuses: 0x80004005 without an inlet stream, 0x80004003 for a null output. Array
    // outputs are destroyed and recreated; array inputs are taken (and released) by value.
    long GetNumPhases(const CString& portName, int* count);
    long GetNumCompounds(int* count);
    // Conventional position 0 ... NCC - 1, else non-conventional position 0 ... NNCC - 1 (not
    // offset); an unknown ID throws the long value 0x80004005. Case is ignored.
    int GetComponentIndex(const CComBSTR& id);
    // Lists hold the conventional components, then the non-conventional ones.
    long GetCompoundList(CComSafeArray<BSTR>& ids);
    long GetCompoundList(CComSafeArray<BSTR>& ids, CComSafeArray<BSTR>& formulae,
                         CComSafeArray<BSTR>& names, CComSafeArray<double>& boilingPoints,
                         CComSafeArray<double>& molecularWeights, CComSafeArray<BSTR>& casNumbers);
    long GetCompoundFormulae(CComSafeArray<BSTR>& formulae);
    // value must hold an initialised variant; it receives a VT_R8. 0x80040506 for an unknown
    // compound. Without an inlet stream: 0, outputs untouched (also for the forms below).
    long GetCompoundConstant(const CComBSTR& property, const CComBSTR& compoundId, VARIANT* value);
    // Element i * (compound count) + j: property i of compound j.
    long GetCompoundConstant(CComSafeArray<BSTR> properties, CComSafeArray<BSTR> compoundIds,
                             CComSafeArray<VARIANT>& values);
    // T in K. 0x80040506 for an unknown compound, 0x80040501 when a host monitor fails.
    long GetTDependentProperty(const CComBSTR& property, double temperature,
                               const CComBSTR& compoundId, double* value,
                               int phaseId = brixel::kNoPhase);
    // A failing single call throws its status as a long.
    long GetTDependentProperty(CComSafeArray<BSTR> properties, double temperature,
                               CComSafeArray<BSTR> compoundIds, CComSafeArray<double>& values);
    // P in Pa.
    long GetPDependentProperty(const CComBSTR& property, double pressure,
                               const CComBSTR& compoundId, double* value);
    long GetPDependentProperty(CComSafeArray<BSTR> properties, double pressure,
                               CComSafeArray<BSTR> compoundIds, CComSafeArray<double>& values);
    long GetUniversalConstant(const CComBSTR& name, double* value);  // 0x80040506 unknown
    long GetUniversalConstantList(CComSafeArray<BSTR>& names);
    // Not provided: 0x80004005, outputs untouched.
    long GetConstPropList(CComSafeArray<BSTR>& names);
    long GetTDependentPropList(CComSafeArray<BSTR>& names);
    long GetPDependentPropList(CComSafeArray<BSTR>& names);
    long GetPhaseList(CComSafeArray<BSTR>& labels);
    long GetPhaseInfo(const CComBSTR& label, const CComBSTR& key, VARIANT* value);
    long GetSinglePhasePropList(CComSafeArray<BSTR>& names);
    long GetTwoPhasePropList(CComSafeArray<BSTR>& names);
    long GetCompoundProperty(const CComBSTR& property, const CComBSTR& compoundId, VARIANT* value);

  protected:
    // True for a conventional component with a non-zero entry in its row of the electrolyte
    // salt table; with electrolyte chemistry on, an unknown ID throws the long value 0x80004005.
    bool isIon(const CComBSTR& compoundId);
    int m_nBoilingPointStream = 0;  // internal stream of "boilingPointTemperature"; 0 none yet

  public:
    // ---- phase properties (brixel/properties/phase_properties_*.cpp) ----
    // stream: a port number (below 1 000 000) or a stream bead; property, phase and basis ids
    // of the property vocabulary (basis 0 mass, 1 mole, 2 total). A failure returns its status
    // and leaves the output and the stream unchanged; ids an operation does not know return 0
    // with nothing read or written.
    long GetOverallProp(int64_t stream, int propertyId, double* value, int basis);
    long GetOverallProp(int64_t stream, int propertyId, CComSafeArray<double>& values, int basis);
    long GetSinglePhaseProp(int64_t stream, int propertyId, int phaseId, double* value, int basis);
    // wet 0: the moisture of a wet solid substream is left out of component flows.
    long GetSinglePhaseProp(int64_t stream, int propertyId, int phaseId,
                            CComSafeArray<double>& values, int basis, int wet);
    // phaseIds: {0}, or the vapour and the liquid in either order.
    long GetTwoPhaseProp(int64_t stream, int propertyId, const std::vector<int>& phaseIds,
                         double* value, int basis);
    long SetOverallProp(int64_t stream, int propertyId, double value, int basis);
    long SetOverallProp(int64_t stream, int propertyId, const CComSafeArray<double>& values,
                        int basis);
    long SetSinglePhaseProp(int64_t stream, int propertyId, int phaseId, double value, int basis);
    long SetSinglePhaseProp(int64_t stream, int propertyId, int phaseId,
                            const CComSafeArray<double>& values, int basis, int wet);
    // A named host property (upper-cased, 8 characters) of phase -1, -2 or -3 at T (K), P (Pa)
    // and the mole fractions x of `count` components with their 1-based numbers.
    long GetQuarnPhaseProp(double temperature, double pressure, const double* x, int64_t count,
                           const int64_t* components, const CString& property, int phaseId,
                           double* value);
    long CalcSinglePhaseProp(const CString& port, const CComSafeArray<BSTR>& properties,
                             const CComBSTR& phase);
    long CalcSinglePhaseProp(const CString& port, const CComBSTR& property, const CComBSTR& phase);
    // Name forms: an unknown name or port is returned as the status.
    long GetOverallProp(int64_t stream, const CComBSTR& property, double* value,
                        const CComBSTR& basis);
    long GetOverallProp(const CString& port, const CComBSTR& property, double* value,
                        const CComBSTR& basis);
    long GetOverallProp(const CString& port, int propertyId, double* value, const CComBSTR& basis);
    long GetOverallProp(int64_t stream, const CComBSTR& property, CComSafeArray<double>& values,
                        const CComBSTR& basis);
    long GetOverallProp(const CString& port, const CComBSTR& property,
                        CComSafeArray<double>& values, const CComBSTR& basis);
    long GetOverallProp(const CString& port, int propertyId, CComSafeArray<double>& values,
                        const CComBSTR& basis);
    long SetOverallProp(int64_t stream, const CComBSTR& property, double value,
                        const CComBSTR& basis);
    long SetOverallProp(const CString& port, const CComBSTR& property, double value,
                        const CComBSTR& basis);
    long SetOverallProp(const CString& port, int propertyId, double value, const CComBSTR& basis);
    long SetOverallProp(int64_t stream, const CComBSTR& property,
                        const CComSafeArray<double>& values, const CComBSTR& basis);
    long SetOverallProp(const CString& port, const CComBSTR& property,
                        const CComSafeArray<double>& values, const CComBSTR& basis);
    long SetOverallProp(const CString& port, int propertyId, const CComSafeArray<double>& values,
                        const CComBSTR& basis);
    long GetSinglePhaseProp(int64_t stream, const CComBSTR& property, const CComBSTR& phase,
                            double* value, const CComBSTR& basis);
    long GetSinglePhaseProp(const CString& port, const CComBSTR& property, const CComBSTR& phase,
                            double* value, const CComBSTR& basis);
    long GetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                            double* value, const CComBSTR& basis);
    long GetSinglePhaseProp(int64_t stream, const CComBSTR& property, const CComBSTR& phase,
                            CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long GetSinglePhaseProp(const CString& port, const CComBSTR& property, const CComBSTR& phase,
                            CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long GetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                            CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long SetSinglePhaseProp(int64_t stream, const CComBSTR& property, const CComBSTR& phase,
                            double value, const CComBSTR& basis);
    long SetSinglePhaseProp(const CString& port, const CComBSTR& property, const CComBSTR& phase,
                            double value, const CComBSTR& basis);
    long SetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                            double value, const CComBSTR& basis);
    long SetSinglePhaseProp(int64_t stream, const CComBSTR& property, const CComBSTR& phase,
                            const CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long SetSinglePhaseProp(const CString& port, const CComBSTR& property, const CComBSTR& phase,
                            const CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long SetSinglePhaseProp(const CString& port, int propertyId, const CComBSTR& phase,
                            const CComSafeArray<double>& values, const CComBSTR& basis, int wet);
    long GetTwoPhaseProp(int64_t stream, const CComBSTR& property,
                         const CComSafeArray<BSTR>& phases, double* value, const CComBSTR& basis);
    long GetTwoPhaseProp(const CString& port, const CComBSTR& property,
                         const CComSafeArray<BSTR>& phases, double* value, const CComBSTR& basis);
    long GetTwoPhaseProp(const CString& port, int propertyId, const CComSafeArray<BSTR>& phases,
                         double* value, const CComBSTR& basis);
    // Not provided: 0x80004005.
    long SetTwoPhaseProp(int64_t stream, const CComBSTR& property,
                         const CComSafeArray<BSTR>& phases, double value, const CComBSTR& basis);
    long SetTwoPhaseProp(const CString& port, const CComBSTR& property,
                         const CComSafeArray<BSTR>& phases, double value, const CComBSTR& basis);

  protected:
    // Phase-property internals; failures throw their long status.
    struct FluidComposition {
        std::vector<int64_t> components;  // 1-based host numbers
        std::vector<double> x;            // mole fractions
        double molecularWeight = 0.0;     // kg/kmol
    };
    // Empty optional: an id the operation does not serve, nothing to write.
    std::optional<double> OverallScalar(int64_t stream, int propertyId, int basis);
    std::vector<double> OverallComponents(int64_t stream, int propertyId, int basis);
    std::optional<double> SinglePhaseScalar(int bead, int propertyId, int phaseId, int basis);
    std::vector<double> SinglePhaseComponents(int bead, int propertyId, int phaseId, int basis,
                                              int wet);
    int PhaseSubstream(int bead, int phaseId);
    double FluidPhaseFraction(int bead, int phaseId);  // molar share of the mixed substream
    double FluidPhaseFlow(int bead, int phaseId, int basis);
    double SolidPhaseFlow(int bead, int basis);
    // Vapour or liquid composition: the flash results when two-phase, else the mixed
    // substream's fluid flows.
    FluidComposition PhaseComposition(int bead, int phaseId);
    void RemoveMoisture(std::vector<double>& flows);
    void RefreshComponentAttributes(int bead);
    void MonitorContext(int bead, int substream, double& temperature, double& pressure,
                        int64_t& printLevel);
    double FluidPhaseMonitorValue(int bead, int propertyId, int phaseId, int basis);
    double SolidPhaseMonitorValue(int bead, int propertyId, int basis);
    double MixedHeatCapacity(int bead, int basis);
    std::vector<double> DiffusionCoefficients(int bead, int propertyId, int phaseId);
    void WriteStreamComposition(int bead, const std::vector<double>& w, int basis);
    void SetSolidPhaseFlow(int bead, double value, int basis);
    // Scales the solids of one substream: all flows of a solid substream; in the mixed
    // substream its solid components and the polymer-rich phase, with totals and phase
    // fractions recomputed and the fluid kept.
    void ScaleSubstreamSolids(const brixel::PropertyStream& s, int substream, double ratio);
    void SetFluidPhaseFlow(int bead, int phaseId, double value, int basis);
    // Component flows (kmol/s, NCC) of the named fluid phase; the other phase keeps its own.
    void SetFluidPhaseFlows(int bead, int phaseId, const std::vector<double>& named);
    std::vector<int> PhaseIdsFromLabels(const CComSafeArray<BSTR>& labels);
    int PortStream(const CString& port);
    static void StoreArray(const std::vector<double>& values, CComSafeArray<double>& out);
    static std::vector<double> ReadArray(const CComSafeArray<double>& values);

  public:
    // ---- equilibrium (brixel/properties/equilibrium.cpp) ----
    // Flashes the stream (forced) under two specifications {property, basis, phase label}
    // whose values are those the stream holds: temperature, pressure and enthalpy with an
    // empty basis and phase "Overall", and the vapour "phaseFraction" on any basis ("mass"
    // only for a single-phase stream). Pairs, in either order: temperature + pressure (TP),
    // pressure + enthalpy (PQ at zero duty), pressure or temperature + phaseFraction (PV, TV).
    // 0 when the flash succeeds; 0x80004005 for another pair or a failed flash; 0x80070057 for
    // an unknown port. The solution type is not used. The caller keeps its arguments.
    long CalcEquilibrium(int64_t stream, const CComSafeArray<BSTR>& specification1,
                         const CComSafeArray<BSTR>& specification2, const CComBSTR& solutionType);
    // An empty port name stands for port -1.
    long CalcEquilibrium(const CString& port, const CComSafeArray<BSTR>& specification1,
                         const CComSafeArray<BSTR>& specification2, const CComBSTR& solutionType);
    // Not provided: 0x80004005, valid untouched.
    long CheckEquilibriumSpec(const CString& port, const CComSafeArray<BSTR>& specification1,
                              const CComSafeArray<BSTR>& specification2,
                              const CComBSTR& solutionType, bool* valid);

    // ---- solid attributes and PSD (brixel/particles/solid_attributes*.cpp) ----
    // port: a port number or stream bead; a port name of "" stands for port -1. phaseId 0 or
    // more names one substream, -3 all solid substreams. Name forms return 0x80004005 without
    // an inlet stream and use phase -3; failures the int forms throw as a long are returned.
    long GetSolidAttributeList(int port, CComSafeArray<BSTR>& names);
    long GetSolidAttributeList(const CString& portName, CComSafeArray<BSTR>& names);
    // "PSD" (unit "m", mesh of n + 1 boundaries, n mass fractions) or "DENSITY" (unit
    // "kg/m3", one density and mass fraction per solid carrier); case is ignored. Without
    // solids: 0 and the outputs untouched. The mesh holds VT_R8 variants.
    long GetSolidAttribute(int port, const CComBSTR& name, CComBSTR& unit,
                           CComSafeArray<VARIANT>& mesh, CComSafeArray<double>& values,
                           int phaseId);
    long GetSolidAttribute(const CString& portName, const CComBSTR& name, CComBSTR& unit,
                           CComSafeArray<VARIANT>& mesh, CComSafeArray<double>& values);
    // One name: the form above on all solid substreams. {"Density", "PSD"} in either order:
    // mesh of 2 x max(classes, n + 1) (row 0 densities, row 1 size boundaries, unused cells
    // 0), values of classes x n mass fractions of the whole solids; units receive one unit per
    // name. Other lists throw the long 0x80070057.
    long GetSolidAttribute(int port, const CComSafeArray<BSTR>& names, CComSafeArray<BSTR>& units,
                           CComSafeArray<VARIANT>& mesh, CComSafeArray<double>& values);
    long GetSolidAttribute(const CString& portName, const CComSafeArray<BSTR>& names,
                           CComSafeArray<BSTR>& units, CComSafeArray<VARIANT>& mesh,
                           CComSafeArray<double>& values);
    long GetSolidAttrDefinition(int port, const CComBSTR& name, CComBSTR& unit,
                                CComSafeArray<VARIANT>& mesh, int phaseId);
    long GetSolidAttrDefinition(const CString& portName, const CComBSTR& name, CComBSTR& unit,
                                CComSafeArray<VARIANT>& mesh);
    // {"PSD"}: values (n) copied into the PSD of each selected substream with flow.
    // {"Density", "PSD"} with phase -3: values of classes x n, row k for the k-th solid
    // substream with solids flow. Wrong names or sizes throw the long 0x80070057.
    long SetSolidAttribute(int port, const CComSafeArray<BSTR>& names,
                           const CComSafeArray<double>& values, int phaseId);
    long SetSolidAttribute(const CString& portName, const CComSafeArray<BSTR>& names,
                           const CComSafeArray<double>& values);
    long GetSolidAttrState(const CString& portName, const CComBSTR& name, bool* state);
    // Solids mass flow of the stream, kg/s.
    long GetSolidMassFlow(int port, double* value);
    long GetSolidMassFlow(const CString& portName, double* value);
    long SetSolidMassFlow(int port, double value);
    long SetSolidMassFlow(const CString& portName, double value);
    // All solid substreams of the first inlet share one PSD mesh; prints "PSDMESH" if not.
    bool ValidatePSDMesh();
    // Number of size intervals of the substream's first PSD, fractions pointing into the
    // stream vector and mesh into the attribute's real record; 0 and nulls without a PSD.
    int GetPSDPointer(int port, int substream, double*& fractions, double*& mesh);

  protected:
    // Solids mass flow (kg/s) of a substream of a stream bead; for the mixed substream the
    // unit's conventional solids in it (with the polymer-rich phase).
    double SubstreamSolidsMass(int bead, int substream);
    // Density (kg/m3) of the solids in the mixed substream; 0 when it cannot be found.
    double MixedSolidsDensity(int bead);
    // The one-shot warning on solids without PSD fractions, when armed.
    void WarnUnassignedPsd();
    bool m_bPSDWarning = false;  // one-shot warning on solids without PSD fractions

  public:
    // ---- distribution parameters and moisture (brixel/particles/distribution_parameters.cpp,
    //      moisture.cpp) ----
    // attribute "PSD" (sizes, m) or "TVD" (velocities, m/s; mesh and fractions must be given),
    // compared exactly; parameter "Median", "X50", "X25", "X75", "X80", "X85", "X(p)",
    // "Q3(x)", and for "PSD" "SMD", "sauter", "sv", without regard to case. Null mesh or
    // fractions: for "PSD" the stream's solids PSD. A mesh holds n + 1 boundaries or n upper
    // bounds. Without a distribution: value m_dblRMiss and 0x80004005.
    long GetDistributionParameter(int port, const CComBSTR& attribute, const CComBSTR& parameter,
                                  double* value, const CComSafeArray<VARIANT>* mesh,
                                  const CComSafeArray<double>* fractions);
    long GetDistributionParameter(const CString& portName, const CComBSTR& attribute,
                                  const CComBSTR& parameter, double* value,
                                  const CComSafeArray<VARIANT>* mesh,
                                  const CComSafeArray<double>* fractions);
    // Moisture content per conventional component: "SMC" or "SMC(dry)" (kg moisture per kg
    // dry solids), "SMC(wet)" (per kg wet solids), case ignored. distributions must be null
    // (0x80040509 otherwise).
    long GetDistrDependentSolidAttribute(int port, const CComBSTR& attribute,
                                         const CComSafeArray<BSTR>* distributions,
                                         CComSafeArray<double>& values);
    long GetDistrDependentSolidAttribute(const CString& portName, const CComBSTR& attribute,
                                         const CComSafeArray<BSTR>* distributions,
                                         CComSafeArray<double>& values);
    long SetDistrDependentSolidAttribute(int port, const CComBSTR& attribute,
                                         const CComSafeArray<BSTR>* distributions,
                                         const CComSafeArray<double>& values);
    long SetDistrDependentSolidAttribute(const CString& portName, const CComBSTR& attribute,
                                         const CComSafeArray<BSTR>* distributions,
                                         const CComSafeArray<double>& values);

    // ---- terminal settling velocities (brixel/particles/terminal_velocity.cpp) ----
    // Terminal velocity (m/s, negative when rising) and mass fraction of every density class k
    // and size interval j of the stream's solids, element k * intervals + j, in the fluid
    // phase given (-1 vapour, -2 liquid, 0 the one with the larger mass fraction); acceleration
    // in m/s2. substream is not used (callers pass a substream or port number). Returns 0;
    // failures are thrown as a long and leave the outputs untouched: the status of a failed
    // property call, 0x80070057 for another phase id, 0x80004005 without solids classes or
    // for fluid or particle data without a settling velocity (density not above 0, negative
    // viscosity, NaN). Writes a report at print level 5 and above.
    long CalcTVD(int port, int substream, int phaseId, CComSafeArray<VARIANT>& velocities,
                 CComSafeArray<double>& fractions, double acceleration);

    // ---- movement matrices (brixel/particles/movement_matrix.cpp) ----
    // Applies a matrix over the classes of one axis to a stream in place: "PSD" (size
    // intervals), "Density" (the solid substreams with solids; case ignored), "TVD"
    // (terminal-velocity classes, converted to "PSD" + "Density") or "fraction" (all
    // components). One dimension: a factor per class; two: element (i, j) is the share of
    // class i that goes to class j. basis 0 mass, 1 mole ("PSD" and "TVD": mass only).
    // phaseId 0 or more: that substream only; negative: all substreams. 0x80070057 for a
    // refused name, basis, phase or matrix, with the stream unchanged.
    long ApplyMovMatrix(int port, const CComBSTR& attribute, const CComSafeArray<double>& matrix,
                        int basis, int phaseId);
    // Port by name, basis "mass", "mole" or "T", phase -3; 0x80004005 without an inlet.
    long ApplyMovMatrix(const CString& portName, const CComBSTR& attribute,
                        const CComSafeArray<double>& matrix, const CComBSTR& basis);
    // One name: mass basis, phase -3. Two names: "PSD" and "Density" in either order (case
    // ignored) with a four-dimensional matrix over (size, density, size, density); shares
    // between density classes are not applied.
    long ApplyMovMatrix(int port, const CComSafeArray<BSTR>& attributes,
                        const CComSafeArray<double>& matrix);
    long ApplyMovMatrix(const CString& portName, const CComSafeArray<BSTR>& attributes,
                        const CComSafeArray<double>& matrix);
    // Replaces a terminal-velocity matrix (classes numbered as CalcTVD numbers them) by the
    // four-dimensional size-and-density matrix; false when the stream's PSD mesh or density
    // classes cannot be read.
    bool ConvertMovMatrixTVD(int port, CComSafeArray<double>& matrix);

    // ---- separation-efficiency curves (brixel/models/separation/efficiency_curves.cpp) ----
    // Grade-efficiency curves of a product stream against its feed (same stream class) into
    // the caller's table: row s (stride values) for substream s, row NSUBS for the overall
    // curve; column offsets from 0, density column -1 for none. 0, or 0x80070057 for beads
    // that are not streams of one class or blocks that do not fit the stride, 0x80004003 for
    // a null table; nothing is written then. The unit (may be null: the host's settings)
    // decides which components of a MIXED substream are solids.
    static long StaticGenSepEffCurvesUnit(int feed, int product, int stride, int classColumn,
                                          int efficiencyColumn, double* table, int densityColumn,
                                          CBrixelBaseUnit* unit);
    static long StaticGenSepEffCurves(int feed, int product, int stride, int classColumn,
                                      int efficiencyColumn, double* table, int densityColumn);
    long GenerateSeparationEfficiencyCurves(int feed, int product, int stride, int classColumn,
                                            int efficiencyColumn, double* table, int densityColumn);

  protected:
    // Substreams holding solids, in class order: the mixed substream first when it carries
    // solids, then the solid substreams. One density class each.
    std::vector<int> DensityClasses(int bead);
    long ApplyVelocityFactors(int port, const CComSafeArray<double>& factors);

  private:
    friend struct brixel::MovementMatrix;

  public:
    // ---- guarded arithmetic: the plain result, or an int code thrown
    //      (framework/guarded_arithmetic.cpp) ----
    static double Ediv(double a, double b);
    static double Eexp(double x);
    static double Elog(double x);
    static double Esqrt(double x);
    static double Epow(double a, double b);
    static double Emult(double a, double b);

    // ---- stream flows (framework/flows.cpp, flow_changes.cpp, stream_mixing.cpp,
    //      component_moves.cpp) ----
    // Component numbers c count from 0: conventional components first, then the
    // non-conventional ones. Failures throw the long value 0x80004005.
    void CopyStream(int source, int destination);
    bool MergeStreams(int target, int other, bool flash);
    double GetCompFlow(int port, int64_t c, int substream, int basis);
    void ChangeComponentFlow(int port, int substream, int64_t c, double massFlow);
    std::set<int> AddFlowToStream(int port, int64_t c, double flow);
    std::set<int> RemoveFlowFromStream(int port, int64_t c, double flow);
    // flows: one entry per component (NCC + NNCC), kmol/s; T, P 1e35 when not given.
    void ChangeStreamFlows(int port, const std::vector<double>& flows, double temperature,
                           double pressure, const std::vector<double>& psd);
    void MixFlowsWithStream(int port, const std::vector<double>& flows, double temperature,
                            double pressure, const std::vector<double>& psd);
    void MixFlowsWithStream(int port, const std::vector<double>& flows, double temperature,
                            double pressure);
    void FindCompSubstreams(int port, int64_t c, std::vector<int>& substreams, bool& emptyTarget,
                            bool& shared);
    int SubstreamHasCompFlow(int port, int substream, int64_t c);
    void MoveComponentToSubstream(int port, int64_t c, int target);
    void MoveComponentToSubstream(int port, const CString& componentId, int target);
    void MoveSolidsToSubstream(int port, int target);
    void ClearZeroFlowSubstreams(int port);
    void ClearZeroFlowSubstreams();
    bool IsSolidFlowInSubStream(int port, int substream);
    int GetMoistureComps(CComSafeArray<BSTR>& ids);

    // ---- component classification and solidmers (framework/components.cpp, polymers.cpp) ----
    bool IsSolidComp(int64_t c) const;
    bool IsPolymer(int64_t c) const;
    bool IsOligomer(int64_t c) const;
    bool IsCatalyst(int64_t c) const;
    bool IsPolymerOligomer(int64_t c) const;
    bool IsPolymerOligomerCatalyst(int64_t c) const;
    bool IsCatalystAlreadySolid(int64_t c) const;
    int GetSolidmerflag() const { return m_nSolidmerFlag; }
    bool IsSolidmerPresent() const { return !m_naSolidmers.empty(); }
    bool GetSolidmerNoPSD() const { return m_bSolidmerNoPSD; }
    void CheckSolidPolymers(int inlet);
    void CheckSolidPolymersStream(int bead);
    static double StaticGetTMeltPolyOligomer(int64_t c);
    double GetLiquidFraction(int port, int substream);
    double GetPolymerRichPhaseMoleFlow(int port);
    double GetPolymerRichPhaseMassFlow(int port);
    // Component mole flows (kmol/s, `count` entries) of the polymer-rich phase the flash found
    // in the mixed substream; zeros without solidmers.
    std::vector<double> GetPolymerRichPhaseFlows(int port, int64_t count);
    void GetSolidPolymerMoleFlowFraction(int port, double& flow, double& fraction);

    // ---- flash (framework/flash.cpp, temperature_pressure.cpp; the frame's inlet checks in
    //      brixel_base_unit.cpp, stream-class helpers in ports.cpp) ----
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force,
                     const std::vector<int>& substreams, int extra);
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force);
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force,
                     int substream);
    CFlashBuffer* GetFlashResults(int bead, bool recalculate);
    // The cached fields; all pointer outputs null when nothing is cached and recalculate is
    // false. c, d, beta and kind may be null.
    void GetFlashResults(int bead, int& count, int64_t*& components, int64_t*& hostComponents,
                         double*& a, double*& b, double** c, double** d, double* beta, int* kind,
                         bool recalculate, bool polymerAdjustment);
    void TPFlashOutlets();
    long GetTemperature(int port, double* value);
    long GetTemperature(const CString& portName, double* value);
    long GetPressure(int port, double* value);
    long GetPressure(const CString& portName, double* value);
    long SetTemperature(int port, double value);
    long SetTemperature(const CString& portName, double value);
    long SetPressure(int port, double value);
    long SetPressure(const CString& portName, double value);
    void RemoveFlashResults(const int& bead);
    void SetFlashParams(int64_t iterations, double tolerance, int64_t phaseCount, int64_t phase);
    void SetFlashPhase(int64_t phaseCount, int64_t phase);
    void GetFlashPhase(int64_t& phaseCount, int64_t& phase) const;
    bool HasThermalEquilibrium(int port);
    // The flash limits as stored: Tmin, Tmax (K), Pmin, Pmax (Pa).
    void GetFlashLimits(double& tMin, double& tMax, double& pMin, double& pMax) const {
        tMin = m_dblTmin;
        tMax = m_dblTmax;
        pMin = m_dblPmin;
        pMax = m_dblPmax;
    }

  protected:
    int BeadOf(int port);                    // ConvertPortToStreamBeadNumber as a value
    int64_t* StreamClassOf(int bead) const;  // class record of a stream bead; null unknown
    int VectorLengthOf(int bead) const;      // class record word 6
    void CopyFlashResults(int source, int destination);
    void CacheFlashResults(int bead);  // from the host's stream-work data
    // The outputs of the long form of GetFlashResults.
    struct FlashOutputs {
        int count = 0;
        int64_t* components = nullptr;
        int64_t* hostComponents = nullptr;
        double* a = nullptr;
        double* b = nullptr;
        double* c = nullptr;
        double* d = nullptr;
        double beta = 0.0;
        int kind = 0;
        // Composition of the polymer-rich phase: D for kind 1, C for kind 2, A otherwise.
        const double* RichComposition() const { return kind == 1 ? d : (kind == 2 ? c : a); }
    };
    // Flash results with recalculation and polymer adjustment, as the polymer operations read
    // them; `phases` asks for the two liquid phases C and D as well.
    FlashOutputs PolymerFlashResults(int bead, bool phases);
    void AdjustPolymerPhases(CFlashBuffer& results) const;
    // Refuses a temperature (K) or pressure (Pa) outside the flash limits with 0x80004005 and
    // the "SETPROP" error lines; every setter of temperature or pressure goes through it.
    long CheckTemperaturePressureRange(bool temperature, double value);
    long ReadFirstGivenState(int port, int64_t entry, double* value);
    long WriteStateEverywhere(int port, int64_t entry, double value);
    // Phase count and phase for the host: the unit's settings, else the flash options.
    void ResolveFlashPhase(int64_t& phaseCount, int64_t& phase) const;
    // Stream pressure: the first given pressure among the substreams; false when none.
    bool ReadStreamPressure(int bead, double& pressure);

    // Fields in declaration order (fixed), grouped by concern.
    // -- validation and the calculation frame's inlet copies
    int m_nValidationStatus = 0;       // 0 not validated, 1 invalid, 2 valid
    std::vector<int> m_naSavedInlets;  // bead of the internal copy of each inlet
    bool m_bInletsFlashed = false;
    // -- the host's words for the block: property-method set, integer and real parameters
    int64_t* m_pNBOPST = nullptr;
    int64_t* m_pIntvals = nullptr;
    double* m_pRealvals = nullptr;
    // -- ports
    int m_nInlets = 0;
    int64_t* m_pInlets = nullptr;
    int m_nOutlets = 0;
    int64_t* m_pOutlets = nullptr;
    CStringArray m_saPortNames;
    // -- internal streams and cached flash results
    std::vector<int> m_naInternalStreams;
    std::map<int, CFlashBuffer> m_mapFlashResults;
    // -- flash settings
    int64_t m_nFlashMaxit;
    double m_dblFlashTol;
    int m_nFlashNPhase;
    int m_nFlashPhase;
    // -- components and the work arrays of mixing and solid attributes
    std::vector<int> m_naSolidComps;  // 0-based conventional solid components
    std::vector<double> m_daMergeWork;
    std::vector<int64_t> m_naMergeWork;  // integer work array of the host mixer
    std::vector<double> m_daAttributeWork;
    bool m_bSolidAttributes = true;
    // -- polymers
    int m_nSolidmerFlag = 0;
    int m_nPolymerOption = 1;
    int m_nPolymerCheckInlet = 0;
    int64_t* m_pPolymerDescriptor = nullptr;
    std::vector<int> m_naPolymers;
    std::vector<int> m_naOligomers;
    std::vector<int> m_naCatalysts;
    std::vector<int> m_naSolidmers;
    bool m_bSolidmerNoPSD = false;
    double m_dblPolymerParameter = 0.01;
    // -- the host's non-conventional component index block
    int64_t* m_pNCIndex = nullptr;
    // -- flash limits and ambient pressure
    double m_dblTmin = 0.0;
    double m_dblTmax = 0.0;
    double m_dblPmin = 0.0;
    double m_dblPmax = 0.0;
    double m_dblAmbientPressure = 0.0;
    // -- calculation state and the block's identity
    bool m_bCalculationStarted = false;
    CString m_strBlockName;
    int m_nBlockIDFlag = 0;
    int64_t* m_pBlockID = nullptr;

  private:
    bool InletNeedsFlash(int inlet);  // step of the calculation frame; may print a notice
    // True when a substream of the stream carries flow without a phase state.
    bool LacksState(int bead) const;
    // The frame's reaction to an inlet the host would not flash; returns true when the
    // calculation cannot go on.
    bool ReportFailedInletFlash(int inlet);
    void ReadPolymerSetup();
    void RestoreInlets();
    // A new stream record from the host for an internal stream of the class of `source`
    // (its class bead set, listed in the internal streams); a refused allocation is raised as
    // a calculation error and thrown as kStatusFail.
    int AllocateInternalStream(int source);

    // ---- flow edits (framework/flow_changes.cpp, stream_mixing.cpp, polymers.cpp) ----
    // A stream vector being edited: a stream (bead > 0; the host is told of every flow change)
    // or a scratch copy of one (bead 0), on which an edit is tried before it is made.
    struct FlowTarget {
        int bead = 0;
        const int64_t* streamClass = nullptr;
        double* vector = nullptr;
    };
    FlowTarget FlowTargetOf(int port);
    static void ComponentCounts(int64_t& ncc, int64_t& nncc);
    static void CheckComponent(int64_t c);  // throws kStatusFail out of range
    // "MW" of the conventional components (kg/kmol); NC components count as 1.
    static std::vector<double> MolecularWeights(int64_t substreamType);
    // Sets c's flow in a substream, moves the substream total by the difference and tells
    // the host.
    void SetComponentFlow(const FlowTarget& target, int substream, int64_t c, double flow);
    void ChooseSubstreams(const FlowTarget& target, int64_t c, std::vector<int>& substreams,
                          bool& emptyTarget, bool& shared) const;
    std::set<int> AddFlow(const FlowTarget& target, int64_t c, double flow);
    std::set<int> RemoveFlow(const FlowTarget& target, int64_t c, double flow);
    // The host mixer's part of MergeStreams (both beads); false when the host refuses.
    bool MixStreamInto(int into, int from);
    // Sum of the solidmer flows among `count` flows of a substream (polymers.cpp).
    double SolidmerFlow(const double* flows, int64_t count) const;
};
