#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "brixel/framework/export.h"

// Integrates dy/dt = f(t, y) over the host's ODE integrator, on the caller's own variables:
// the caller registers the addresses of its state variables and of their derivatives, and a
// derivative function that reads the states and writes the derivatives at time t. The object
// never owns those variables; they must outlive it.
class BRIXEL_API CODESolve {
  public:
    using DerivativeFunction = std::function<void(double t)>;

    CODESolve();
    CODESolve(double** states, double** derivatives, int n, DerivativeFunction function);
    CODESolve(const CODESolve& other);
    CODESolve& operator=(const CODESolve& other);
    virtual ~CODESolve();

    // n = N1 + N2 + N3 states (their current values become the initial values) and their
    // derivatives (none when null); M1 ... M3 of 0 take the group's count.
    void DefineParams(double** states, double** derivatives, int n1, int n2, int n3, int m1, int m2,
                      int m3);
    void DefineY(double** states, int n);
    void DefineDY(double** derivatives, int n);
    void SetFunction(DerivativeFunction function);
    // Keep a registered state non-negative, or free it again; an unregistered address changes
    // nothing.
    void SetPositive(double* state);
    void SetNegative(double* state);
    void SetAllPositive();
    // Back to the registered initial values; work arrays sized for the current counts.
    void Reinitialize();
    // Integrates from t0 to t1 (backwards when t1 < t0) from the internal state, which the
    // caller's variables take first. True on success; the caller's state variables then hold
    // the state at t1, otherwise the last accepted state.
    bool Solve(double t0, double t1);
    // Values of a registered state at the output points of the last Solve, the start value
    // first; empty for an unregistered address.
    void GetProfile(double* state, std::vector<double>& values) const;

    // Output points p (the profiles then hold p + 1 values); 0, the default, records none.
    void SetOutputPoints(int count);
    // Measures the time spent in the integrator.
    void SetTiming(bool on) { m_bTiming = on; }
    double GetIntegratorSeconds() const { return m_dblIntegratorSeconds; }
    int64_t GetStepCount() const { return m_naStatus[3]; }
    int64_t GetDerivativeCalls() const { return m_nDerivativeCalls; }

  protected:
    virtual void UpdateDerivs(double t);
    virtual void UpdateExtraProfiles(double t);

    void ReconcileY();   // internal states -> the caller's state variables
    void ReconcileDY();  // the caller's derivative variables -> internal derivatives
    int PtrIndex(const double* state) const;  // registration index, -1 when absent

  private:
    void SizeVariableControls();
    void RecordProfiles();
    bool DerivativesRegistered() const;

    std::vector<double> m_dblaY0;
    std::vector<double> m_dblaY;
    std::vector<double> m_dblaDY;
    std::vector<double*> m_pdblaY;
    std::vector<double*> m_pdblaDY;
    // Per variable: four values the host leaves missing, a typical magnitude (1.0), the
    // positivity flag and an integer 1.
    std::vector<double> m_dblaVariableMissing;
    std::vector<double> m_dblaVariableScale;
    std::vector<int64_t> m_naPositive;
    std::vector<int64_t> m_naVariableControl;
    // N1, N2, N3 (the three groups of states), then M1, M2, M3.
    std::vector<int64_t> m_naGroupCounts;
    std::vector<double> m_dblaRealControls;
    double m_dblInitialStep = 1e-4;
    std::vector<int64_t> m_naIntControls;
    // A diagnostic level (4) and the host's history unit, read at construction.
    std::vector<int64_t> m_naFurtherControls;
    std::vector<double> m_dblaRealWork;
    std::vector<int64_t> m_naIntWork;
    int64_t m_naStatus[4] = {0, 0, 0, 0};  // errors, warnings, derivative request, steps
    bool m_bTiming = false;
    double m_dblIntegratorSeconds = 0.0;
    int64_t m_nDerivativeCalls = 0;
    std::map<const double*, std::vector<double>> m_mapProfiles;
    DerivativeFunction m_fnDerivs;
};
