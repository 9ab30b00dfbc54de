#pragma once

#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "brixel/framework/export.h"

// Fits the parameters p of a model y = f(p, x) to data points (x_i, y_i), optionally within
// bounds, through the host's bounded nonlinear least-squares routine; the host evaluates the
// model through BXUT_LSQFT.
class BRIXEL_API LeastSquaresFit {
  public:
    using Model = std::function<double(double* parameters, double x)>;

    LeastSquaresFit();
    LeastSquaresFit(std::vector<double> parameters, std::vector<std::tuple<double, double>> data,
                    Model model);
    virtual ~LeastSquaresFit();

    // Start values; the bounds become n zeros.
    void DefineParams(std::vector<double> parameters);
    // Points (x, y).
    void DefineData(std::vector<std::tuple<double, double>> data);
    // (lower, upper), one per parameter; activates the bounds.
    void SetBounds(std::vector<std::tuple<double, double>> bounds);
    void UnsetBounds();
    void SetFunction(Model model);

    // True when the host's fit converged; the parameters then hold the fitted values. On a
    // failed fit they hold what the host left: the start values when it refused the input or
    // the model gave a value that is not finite. Throws the long 0x80004005 when the number of
    // bounds differs from the number of parameters.
    bool Solve();
    void getParameters(std::vector<double>& parameters) const;
    double getResidualError() const;  // root-mean-square residual of the last solve

    // The model at every x, for BXUT_LSQFT; false when it threw (values then NaN).
    bool EvaluateModel(double* parameters, const double* x, int64_t count, double* values) const;

  private:
    std::vector<double> m_dblaParams;
    std::vector<double> m_dblaY;
    std::vector<double> m_dblaX;
    std::vector<double> m_dblaLower;
    std::vector<double> m_dblaUpper;
    std::vector<double> m_dblaResiduals;  // m: y - f at the result
    std::vector<double> m_dblaScales;     // n ones: the parameters' typical magnitudes
    std::vector<void*> m_pUserData;       // one entry: this object
    double m_dblReserved = 0.001;
    double m_dblStepTolerance = 1e-5;
    double m_dblWeight = 1.0;
    double m_dblResidualError = 0.0;
    int64_t m_nParams = 0;
    int64_t m_nPoints = 0;
    int64_t m_nMethod = 1;
    int64_t m_nMaxIterations = 100;
    int64_t m_nPrintLevel = 1;
    int64_t m_nDifferences = 2;
    bool m_bBounds = false;
    int64_t m_nStatus = 0;
    int64_t m_nScaling = 2;
    Model m_fnModel;
};

extern "C" {

// The model callback the host's least-squares routine calls: for i = 0 ... m - 1 stores
// f(p, x_i) of the LeastSquaresFit in userData[0] into f. Arguments by reference in the host's
// order; those marked unused are not read. A null pointer, or m <= 0, writes nothing; a model
// that throws leaves NaN in f and sets *status to 1 when given.
BRIXEL_API void BXUT_LSQFT(int64_t* mode, int64_t* m, int64_t* n, double* p, double* x, double* y,
                           double* f, int64_t* status, void** userData);

}  // extern "C"
