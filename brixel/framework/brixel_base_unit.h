#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/framework/flash_buffer.h"
#include "brixel/messages/error_print.h"
#include "brixel/platform/com_types.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/cstring_array.h"
#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"

// Base class of every unit-operation model: binds a model to its host block, names its
// ports, keeps internal working streams, runs the common first step of a calculation and
// the fallback exit. Members are defined in the folder of the concern that owns them.
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

    // ---- virtual operations, in slot order after those of CErrorPrint ----
    virtual void ValidateData();
    virtual int GetBeadForPort(int port);
    // Supplied by the host's own models; the library never calls them.
    virtual const char* GetModelName() const = 0;  // routine name of the model, e.g. "SOLSEP"
    virtual long WriteReport() = 0;                // the model's block report
    virtual void SetStreamBeads(int64_t* inletCount, int64_t* inlets, int64_t* outletCount,
                                int64_t* outlets);
    virtual void SetOutletStreams();

    // ---- binding ----
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

    // ---- lifecycle ----
    long Initialize();
    long Validate(BSTR* message, VARIANT_BOOL* valid);
    long Calculate();
    void SetErrorExit();

    // ---- ports and streams ----
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

    // ---- stream records ----
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

    // ---- guarded arithmetic: the plain result, or an int code thrown ----
    static double Ediv(double a, double b);
    static double Eexp(double x);
    static double Elog(double x);
    static double Esqrt(double x);
    static double Epow(double a, double b);
    static double Emult(double a, double b);

    // ---- stream flows (flows.cpp, flow_changes.cpp, components.cpp, polymers.cpp) ----
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

    // ---- component classification and solidmers ----
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
    void GetSolidPolymerMoleFlowFraction(int port, double& flow, double& fraction);

    // ---- flash ----
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

  protected:
    int BeadOf(int port);                    // ConvertPortToStreamBeadNumber as a value
    int64_t* StreamClassOf(int bead) const;  // class record of a stream bead; null unknown
    int VectorLengthOf(int bead) const;      // class record word 6
    void CopyFlashResults(int source, int destination);
    void CacheFlashResults(int bead);  // from the host's stream-work data
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

    // Fields in declaration order.
    int m_nValidationStatus = 0;       // 0 not validated, 1 invalid, 2 valid
    std::vector<int> m_naSavedInlets;  // bead of the internal copy of each inlet
    bool m_bInletsFlashed = false;
    int64_t* m_pNBOPST = nullptr;
    int64_t* m_pIntvals = nullptr;
    double* m_pRealvals = nullptr;
    int m_nInlets = 0;
    int64_t* m_pInlets = nullptr;
    int m_nOutlets = 0;
    int64_t* m_pOutlets = nullptr;
    CStringArray m_saPortNames;
    std::vector<int> m_naInternalStreams;
    std::map<int, CFlashBuffer> m_mapFlashResults;
    int64_t m_nFlashMaxit;
    double m_dblFlashTol;
    int m_nFlashNPhase;
    int m_nFlashPhase;
    std::vector<int> m_naSolidComps;  // 0-based conventional solid components
    std::vector<double> m_daMergeWork;
    std::vector<int64_t> m_naMergeWork;  // integer work array of the host mixer
    std::vector<double> m_daAttributeWork;
    bool m_bSolidAttributes = true;
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
    int64_t* m_pNCIndex = nullptr;
    double m_dblTmin = 0.0;
    double m_dblTmax = 0.0;
    double m_dblPmin = 0.0;
    double m_dblPmax = 0.0;
    double m_dblAmbientPressure = 0.0;
    bool m_bCalculationStarted = false;
    CString m_strBlockName;
    int m_nBlockIDFlag = 0;
    int64_t* m_pBlockID = nullptr;

  private:
    bool InletNeedsFlash(int inlet);  // step of the calculation frame; may print a notice
    void ReadPolymerSetup();
    void RestoreInlets();

    // ---- flow edits (flow_changes.cpp) ----
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
