#pragma once

#include <cstdint>
#include <map>
#include <memory>
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

    // ---- stream flows ----
    void CopyStream(int source, int destination);
    void ClearZeroFlowSubstreams(int port);
    void ClearZeroFlowSubstreams();

    // ---- flash ----
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force,
                     const std::vector<int>& substreams, int extra);
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force);
    bool FlashStream(int port, int kode, double spec1, double spec2, double spec3, bool force,
                     int substream);
    CFlashBuffer* GetFlashResults(int bead, bool recalculate);
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
};
