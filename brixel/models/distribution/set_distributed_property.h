#pragma once

#include <vector>

#include "brixel/framework/export.h"
#include "brixel/framework/unit_element.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/safe_array.h"

class CErrorPrint;

// Gives the solids of a stream a new particle size distribution: up to n superposed
// distribution functions (GGS, RRSB, log-normal, normal, each with a weight fraction) or a
// table of size classes, written onto the outlet's own mesh, optionally with a part of the
// feed bypassing unchanged. Also the curve, normalization and parameter-completion operations
// on their own.
class BRIXEL_API CSetDistributedProperty : public CUnitElement {
  public:
    explicit CSetDistributedProperty(CBrixelBaseUnit* unit);
    // Every field, pointers (table columns, error interface, owner) included, as it is.
    CSetDistributedProperty(const CSetDistributedProperty&) = default;
    CSetDistributedProperty& operator=(const CSetDistributedProperty&) = default;
    ~CSetDistributedProperty() override;

    // ---- curves: mesh of N + 1 boundaries (m, VARIANT doubles), Q3 out with N + 1 values.
    // 0x80070057 for a mesh that is not finite, non-negative and strictly increasing.
    long CalculateRRSB(double n, double d63, const CComSafeArray<VARIANT>& mesh,
                       CComSafeArray<double>& cumulative);
    long CalculateGGS(double m, double xmax, const CComSafeArray<VARIANT>& mesh,
                      CComSafeArray<double>& cumulative);
    // 0x80004005 unless sigma and d50 are positive.
    long CalculateNormalDistribution(double sigma, double d50, const CComSafeArray<VARIANT>& mesh,
                                     CComSafeArray<double>& cumulative);
    long CalculateLogNormalDistribution(double sigma, double d50,
                                        const CComSafeArray<VARIANT>& mesh,
                                        CComSafeArray<double>& cumulative);
    // The bound table on the mesh, N interval fractions (not yet normalized).
    long CalculateTabularDistribution(const CComSafeArray<VARIANT>& mesh,
                                      CComSafeArray<double>& fractions);
    // mode 1: a cumulative curve (reference its last value), 2: interval fractions (their
    // sum). status (may be null): 0, 1 after a shown warning, 2 after a shown failure.
    long Normalize(CComSafeArray<double>& values, int mode, int* status);
    long CalcDeltaQ3(CComSafeArray<double> cumulative, CComSafeArray<double>& fractions);

    // Resizes every parameter array to n; new entries take the defaults.
    void SetNumberOfDistributions(int n);
    // Stores distribution `index` and completes its parameters from the sizes given.
    void SetDistrFuncData(int index, int type, double d50, double d63, double xmax,
                          double steepness, double ggsExponent, double rrsbDispersion,
                          double normalSigma, double logNormalSigma, double fraction);

    // ---- the model ----
    void ValidateData() override;
    // The target PSD on the mesh: the normalized interval fractions of every distribution,
    // weighted by its fraction (a single distribution by 1). status (may be null) receives the
    // worst normalization status. 0x80004005 when no distribution contributes.
    long CalculateDistribution(const CComSafeArray<VARIANT>& mesh, CComSafeArray<double>& fractions,
                               int* status);
    // Stream numbers as the unit's stream operations take them; bypassSource 0: the inlet.
    // status (may be null) receives the normalization status.
    long SetDistributionInStream(int inlet, int outlet, int bypassSource, int* status);
    long GenerateInternalStream(double flow, int source);
    long MergeInternalStream();

    void SetUseMovementMatrix(bool use) { m_bUseMovementMatrix = use; }
    CErrorPrint* GetErrorInterface() const { return m_pErrorInterface; }
    void SetErrorInterface(CErrorPrint* errorInterface) { m_pErrorInterface = errorInterface; }

    // ---- further input, checked by ValidateData ----
    void SetPropertyName(const CString& name) { m_strPropertyName = name; }
    void SetBypass(double fraction) { m_dblBypass = fraction; }
    void SetErrorLevel(int level) { m_nErrorLevel = level; }
    void SetTabularMethod(int method) { m_nTabularMethod = method; }
    // One tabular distribution (type 5) over columns the caller keeps alive; entry j of a
    // column is its element j * stride.
    void SetTabularData(int count, const double* lowerBound, const double* upperBounds,
                        const double* weights, int stride = 1);
    // Phase ids of the solids whose PSD is set: {-3} all solids, else substream numbers.
    void SetSubstreamSelection(std::vector<int> selection) { m_naSelection = std::move(selection); }

    // ---- read access ----
    int GetNumberOfDistributions() const { return m_nDistributions; }
    int GetType(int i) const { return m_naTypes.at(i); }
    double GetD63(int i) const { return m_daD63.at(i); }
    double GetRrsbDispersion(int i) const { return m_daRrsbN.at(i); }
    double GetXmax(int i) const { return m_daXmax.at(i); }
    double GetGgsExponent(int i) const { return m_daGgsM.at(i); }
    double GetNormalD50(int i) const { return m_daNormalD50.at(i); }
    double GetNormalSigma(int i) const { return m_daNormalSigma.at(i); }
    double GetLogNormalD50(int i) const { return m_daLogNormalD50.at(i); }
    double GetLogNormalSigma(int i) const { return m_daLogNormalSigma.at(i); }
    double GetFraction(int i) const { return m_daFractions.at(i); }
    double GetBypass() const { return m_dblBypass; }
    int GetErrorLevel() const { return m_nErrorLevel; }
    bool GetUseMovementMatrix() const { return m_bUseMovementMatrix; }
    const std::vector<int>& GetSubstreamSelection() const { return m_naSelection; }
    const CString& GetPropertyName() const { return m_strPropertyName; }

  protected:
    CString m_strPropertyName = "PSD";
    std::vector<int> m_naTypes;
    std::vector<double> m_daD63;
    std::vector<double> m_daRrsbN;
    std::vector<double> m_daXmax;
    std::vector<double> m_daGgsM;
    std::vector<double> m_daNormalD50;
    std::vector<double> m_daNormalSigma;
    std::vector<double> m_daLogNormalD50;
    std::vector<double> m_daLogNormalSigma;
    int m_nDistributions = 0;
    std::vector<double> m_daFractions;
    bool m_bUseMovementMatrix = true;
    double m_dblBypass = 0.0;
    int m_nInternalStream = -1;
    int m_nInletStream = -1;
    int m_nOutletStream = -1;
    const double* m_pTableLower = nullptr;
    const double* m_pTableUpper = nullptr;
    const double* m_pTableWeights = nullptr;
    int m_nTableEntries = 0;
    int m_nTableStride = 1;
    int m_nTabularMethod = 0;
    std::vector<int> m_naSelection{-3};
    CErrorPrint* m_pErrorInterface;
    int m_nErrorLevel = 2;

  private:
    // Offers a message of these lines to the error interface; true when it was printed.
    bool PrintLines(const char* tag, bool calculation, int level, int code,
                    const std::vector<CString>& lines);
    // A parameter-completion failure of distribution `index`: reported, flags cleared, the
    // distribution's fraction set to 0.
    void ReadError(int index, int code, std::vector<CString> lines);
    void CompleteGgs(int index, double d50, double d63, double xmax, double exponent);
    void CompleteRrsb(int index, double d50, double d63, double steepness, double dispersion);
    // Interval fractions (normalized) of distribution i on the mesh; status as Normalize's.
    long DistributionFractions(int i, const CComSafeArray<VARIANT>& mesh,
                               CComSafeArray<double>& fractions, int* status);
    void ValidateDistribution(int i);
};
