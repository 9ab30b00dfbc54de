#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/safe_array.h"

namespace brixel {
struct SolverCatalogue;
}

// Derivative-free minimizers and root finders. Every minimizer minimizes: a caller that wants
// a maximum passes the negated function. A method reports failure through its bool result and
// a message; a null message pointer suppresses only the text. Nothing is thrown.
//
// The one-dimensional minimizers clear the user-break flag when they start and test it once
// per iteration, so that an objective may call TerminateAll to stop the run.
class BRIXEL_API CSolver {
  public:
    using Function1D = double (*)(double);
    // Objective of the multi-dimensional methods: the value at a point of n coordinates.
    using FunctionND = double (*)(const double*);
    using ObjectiveND = std::function<double(const double*)>;
    // Feasibility predicate of the complex method: true where the point is admissible.
    using ConstraintND = bool (*)(const double*);

    CSolver() = default;
    CSolver(const CSolver&) = default;
    CSolver& operator=(const CSolver&) = default;
    // Clears m_pcSolver when it names this object, so that it never dangles.
    ~CSolver();

    // ---- Object ---------------------------------------------------------------------------

    void SetFunction(Function1D function) { m_pfnFunction = function; }
    void SetStartValues(double first, double second);
    // Root-finder state of Step: the previous (lower) and the current (upper) point.
    void SetLowerInitialStepsValues(double point, double value);
    void SetUpperInitialStepsValues(double point, double value);
    // Interval of the stepwise variants.
    void Set1DSolverInterval(double a, double b);
    // Clears the function, resets both start values to 1.0 and the bracket side flag.
    void ResetSolverClass();
    // Requests a stop: every running method ends at its next check.
    void TerminateAll() { m_bUserBreak = true; }

    // ---- Catalogue: method names and their parameters ------------------------------------
    // All return false for a null output; names and values are appended. The parameter
    // operations also return false for a method name they do not know (names compare exactly).

    // mode 0: constrained methods only, 1: unconstrained only, 2: both; another mode: false.
    bool Get1DOptimizerList(CComSafeArray<BSTR>* list, int mode) const;
    bool GetNDOptimizerList(CComSafeArray<BSTR>* list, int mode) const;
    bool GetSolverParameter(const CString& method, CComSafeArray<BSTR>* names) const;
    // Current values, integers as doubles.
    bool GetSolverParameterValues(const CString& method, CComSafeArray<double>* values) const;
    // Needs exactly one finite value per parameter (integer parameters take the nearest
    // integer and must fit an int); otherwise false and nothing is changed.
    bool SetSolverParameterValues(const CString& method, const CComSafeArray<double>* values);
    bool GetSolverParameterDefaults(const CString& method, CComSafeArray<double>* values) const;

    // ---- Parameters (steps count function evaluations) -----------------------------------

    void SetGoldMaxAllowedSteps(int steps) { m_nGoldMaxAllowedSteps = steps; }
    int GetGoldMaxAllowedSteps() const { return m_nGoldMaxAllowedSteps; }
    void SetGoldTolerance(double tolerance) { m_dblGoldTolerance = tolerance; }
    double GetGoldTolerance() const { return m_dblGoldTolerance; }
    void SetDiMaxAllowedSteps(int steps) { m_nDiMaxAllowedSteps = steps; }
    int GetDiMaxAllowedSteps() const { return m_nDiMaxAllowedSteps; }
    void SetDiTolerance(double tolerance) { m_dblDiTolerance = tolerance; }
    double GetDiTolerance() const { return m_dblDiTolerance; }
    void SetQuadMaxAllowedSteps(int steps) { m_nQuadMaxAllowedSteps = steps; }
    int GetQuadMaxAllowedSteps() const { return m_nQuadMaxAllowedSteps; }
    void SetQuadTolerance(double tolerance) { m_dblQuadTolerance = tolerance; }
    double GetQuadTolerance() const { return m_dblQuadTolerance; }
    void SetBrentMaxAllowedSteps(int steps) { m_nBrentMaxAllowedSteps = steps; }
    int GetBrentMaxAllowedSteps() const { return m_nBrentMaxAllowedSteps; }
    // Also the line-search tolerance ("Tolerance (Parameter)") of Powell's method.
    void SetBrentTolerance(double tolerance) { m_dblBrentTolerance = tolerance; }
    double GetBrentTolerance() const { return m_dblBrentTolerance; }
    void SetFiMaxAllowedSteps(int steps) { m_nFiMaxAllowedSteps = steps; }
    int GetFiMaxAllowedSteps() const { return m_nFiMaxAllowedSteps; }
    void SetFiTolerance(double tolerance) { m_dblFiTolerance = tolerance; }
    double GetFiTolerance() const { return m_dblFiTolerance; }
    void SetROOT1NMaxAllowedSteps(int steps) { m_nROOT1NMaxAllowedSteps = steps; }
    int GetROOT1NMaxAllowedSteps() const { return m_nROOT1NMaxAllowedSteps; }
    void SetROOT1NTolerance(double tolerance) { m_dblROOT1NTolerance = tolerance; }
    double GetROOT1NTolerance() const { return m_dblROOT1NTolerance; }
    void SetPowellFTol(double tolerance) { m_dblPowellFTol = tolerance; }
    double GetPowellFTol() const { return m_dblPowellFTol; }
    void SetPowellMaxAllowedSteps(int steps) { m_nPowellMaxAllowedSteps = steps; }
    int GetPowellMaxAllowedSteps() const { return m_nPowellMaxAllowedSteps; }
    // Objective evaluations of the last Powell run.
    void SetPowellNFuncEval(int count) { m_nPowellNFuncEval = count; }
    int GetPowellNFuncEval() const { return m_nPowellNFuncEval; }
    void SetGridMaxAllowedSteps(int steps) { m_nGridMaxAllowedSteps = steps; }
    int GetGridMaxAllowedSteps() const { return m_nGridMaxAllowedSteps; }
    void SetGridStep(double step) { m_dblGridStep = step; }
    double GetGridStep() const { return m_dblGridStep; }
    void SetGAGenSize(int size) { m_nGAGenSize = size; }
    int GetGAGenSize() const { return m_nGAGenSize; }
    void SetGAMutationFrequency(int perMille) { m_nGAMutationFrequency = perMille; }
    int GetGAMutationFrequency() const { return m_nGAMutationFrequency; }
    void SetGALastGenerations(int generations) { m_nGALastGenerations = generations; }
    int GetGALastGenerations() const { return m_nGALastGenerations; }
    void SetGARepetitions(int repetitions) { m_nGARepetitions = repetitions; }
    int GetGARepetitions() const { return m_nGARepetitions; }
    void SetGASigma(double sigma) { m_dblGASigma = sigma; }
    double GetGASigma() const { return m_dblGASigma; }
    void SetGAMaxAllowedSteps(int steps) { m_nGAMaxAllowedSteps = steps; }
    int GetGAMaxAllowedSteps() const { return m_nGAMaxAllowedSteps; }
    void SetTabuTenure(int tenure) { m_nTabuTenure = tenure; }
    int GetTabuTenure() const { return m_nTabuTenure; }
    void SetTabuStop(int stop) { m_nTabuStop = stop; }
    int GetTabuStop() const { return m_nTabuStop; }
    void SetiTabuRepetitions(int repetitions) { m_iTabuRepetitions = repetitions; }
    int GetiTabuRepetitions() const { return m_iTabuRepetitions; }
    void SetiTabuNumbSeg(int segments) { m_iTabuNumbSeg = segments; }
    int GetiTabuNumbSeg() const { return m_iTabuNumbSeg; }
    void SetTabuMaxAllowedSteps(int steps) { m_nTabuMaxAllowedSteps = steps; }
    int GetTabuMaxAllowedSteps() const { return m_nTabuMaxAllowedSteps; }
    void SetbTabuAspiration(bool aspiration) { m_bTabuAspiration = aspiration; }
    bool GetbTabuAspiration() const { return m_bTabuAspiration; }
    void SetSATempSteps(int steps) { m_nSATempSteps = steps; }
    int GetSATempSteps() const { return m_nSATempSteps; }
    void SetSAInitialAcceptance(double ratio) { m_dblSAInitialAcceptance = ratio; }
    double GetSAInitialAcceptance() const { return m_dblSAInitialAcceptance; }
    void SetSANumbSeg(int segments) { m_nSANumbSeg = segments; }
    int GetSANumbSeg() const { return m_nSANumbSeg; }
    void SetSAAlpha(double alpha) { m_dblSAAlpha = alpha; }
    double GetSAAlpha() const { return m_dblSAAlpha; }
    void SetSAMaxAllowedSteps(int steps) { m_nSAMaxAllowedSteps = steps; }
    int GetSAMaxAllowedSteps() const { return m_nSAMaxAllowedSteps; }
    void SetComplexMaxAllowedSteps(int steps) { m_nComplexMaxAllowedSteps = steps; }
    int GetComplexMaxAllowedSteps() const { return m_nComplexMaxAllowedSteps; }
    void SetComplexNumbPoints(int points) { m_nComplexNumbPoints = points; }
    int GetComplexNumbPoints() const { return m_nComplexNumbPoints; }
    void SetComplexParTolerance(double tolerance) { m_dblComplexParTolerance = tolerance; }
    double GetComplexParTolerance() const { return m_dblComplexParTolerance; }
    void SetComplexFuncTolerance(double tolerance) { m_dblComplexFuncTolerance = tolerance; }
    double GetComplexFuncTolerance() const { return m_dblComplexFuncTolerance; }
    void SetComplexMaxFirst(int steps) { m_nComplexMaxFirst = steps; }
    int GetComplexMaxFirst() const { return m_nComplexMaxFirst; }
    void SetComplexAlpha(double alpha) { m_dblComplexAlpha = alpha; }
    double GetComplexAlpha() const { return m_dblComplexAlpha; }
    void SetComplexBeta(double beta) { m_dblComplexBeta = beta; }
    double GetComplexBeta() const { return m_dblComplexBeta; }
    void SetComplexGama(double gamma) { m_dblComplexGama = gamma; }
    double GetComplexGama() const { return m_dblComplexGama; }

    // ---- One-dimensional minimizers ------------------------------------------------------
    // Interval [a, b], objective, result point, evaluation count, result value, start point
    // x0, message. True: converged, the outputs hold the best point, the number of
    // evaluations and the value. Null count or value pointers are skipped. A start point
    // outside the interval (or NaN) is replaced by the interval's middle; a > b is taken as
    // [b, a].

    bool GoldenSection(double a, double b, Function1D function, double* x, int* count,
                       double* value, double x0, CString* message);
    bool DichrotomeSearch(double a, double b, Function1D function, double* x, int* count,
                          double* value, CString* message);
    // Successive parabolic interpolation; x0 must lie strictly inside (a, b).
    bool QuadInter(double a, double b, Function1D function, double* x, int* count, double* value,
                   double x0, CString* message);
    // Golden-section steps with Brent's bookkeeping; no start checks.
    bool Brent(double a, double b, Function1D function, double* x, int* count, double* value,
               double x0, CString* message);
    // x0 is accepted for a uniform signature and not used.
    bool FibonacciSearch(double a, double b, Function1D function, double* x, int* count,
                         double* value, double x0, CString* message);
    // Brackets a minimum: on return f(b) <= f(a) and f(b) <= f(c) unless the user broke off
    // (false) or a pointer or the function is null (false, nothing changed).
    bool MnBrak(double* a, double* b, double* c, double* fa, double* fb, double* fc,
                Function1D function);

    // ---- Root finders ----------------------------------------------------------------------

    // Secant from the two start values, with a bracketing fallback. Returns the root, or
    // -1.0 without a function, -1e300 when no second point with a different value is found,
    // 1e-300 at the iteration limit or on a user break. A non-null function is stored.
    double Solve(double tolerance, uint64_t maxIterations, Function1D function);
    // Drives the host's root finder (HostRoot1D) by reverse communication on [a, b] from x0.
    // The count receives the host's control word before each call to the host.
    bool ROOT1N(double a, double b, Function1D function, double* x, int* count, double* value,
                double x0, CString* message);
    // One root-finder step from the value at the last point. Mode 1: secant with the step
    // limited to maxStep; mode 2: safeguarded bracketing, iteration 0 starting from the
    // state's two points. False for another mode, a null output or a step that is not a
    // number.
    bool Step(int mode, double value, int iteration, double* next, double maxStep);

    // ---- Stepwise (reverse-communication) minimizers ---------------------------------------
    // Call with k = 0, 1, 2, ...: each call is handed the function value at the point the
    // previous call returned and returns the next point to evaluate. k = 0 returns a, k = 1
    // returns b (the interval of Set1DSolverInterval); later calls make one reduction step
    // each. The caller decides when to stop and keeps the best point it has seen.

    double Golden(double value, int k);
    double DichrotomeSearch(double value, int k);
    double FibonacciSearch(double value, int k);
    // `finished` (may be null) becomes true once no further parabolic step is possible (the
    // parabola's minimum lies outside the interval or on the middle point); the point returned
    // is then the middle point. Otherwise it is set to false.
    double ParabolicInterpolation(double value, int k, bool* finished);

    // ---- Multi-dimensional minimizers ------------------------------------------------------
    // Box [lower, upper] (n bounds each), objective, n, result point (n values), evaluation
    // count, result value, start point, message. True: converged, the outputs hold the best
    // point, the number of evaluations and its value. Null count or value pointers are
    // skipped. The objective is never called outside the box: a start coordinate outside
    // its bounds (or NaN) is replaced by the middle of its range. Checks before anything is
    // evaluated: null function "no function defined"; n < 1, null bounds, a bound that is
    // not finite or lower > upper "no solution space defined"; a null point "no parameter
    // defined".

    // Powell's conjugate directions with line searches kept inside the box. `start` is the
    // working point and holds the last point on return. Evaluations are limited by
    // PowellMaxAllowedSteps (tested once per iteration), the line searches by the Brent
    // tolerance and steps. A user break ends the run as the evaluation limit does.
    bool Powell(const double* lower, const double* upper, FunctionND function, int n, double* x,
                int* count, double* value, double* start, CString* message);
    bool Powell(const double* lower, const double* upper, const ObjectiveND& function, int n,
                double* x, int* count, double* value, double* start, CString* message);
    // Line search of Powell along xi from p: brackets and minimizes t -> F1Dim(t), then
    // xi <- t_min * xi and p <- p + xi. Outside a Powell run the line is not bounded.
    void LinMin(double* p, double* xi, int n, double* value, const ObjectiveND& function);
    // The objective of the active run (m_pcSolver) at p + t * xi; 1e15 without a call when
    // that point leaves the box, 0 after a user break.
    static double F1Dim(double t);
    // Every point lower + i * step (i = 0, 1, ... while within the range), the last dimension
    // fastest. `steps` (n values, may be null) replaces the "Step Size" parameter.
    bool GridSearch(const double* lower, const double* upper, FunctionND function, int n, double* x,
                    int* count, double* value, CString* message, const double* steps = nullptr);
    bool GeneticAlgorithm(const double* lower, const double* upper, FunctionND function, int n,
                          double* x, int* count, double* value, const double* start,
                          CString* message);
    bool TabuSearch(const double* lower, const double* upper, FunctionND function, int n, double* x,
                    int* count, double* value, const double* start, CString* message);
    bool SimulatedAnnealing(const double* lower, const double* upper, FunctionND function, int n,
                            double* x, int* count, double* value, const double* start,
                            CString* message);
    // Box's complex method: only points where `feasible` holds become vertices.
    bool Complex(const double* lower, const double* upper, FunctionND function,
                 ConstraintND feasible, int n, double* x, int* count, double* value,
                 const double* start, CString* message);

    // Seed of the random numbers of the genetic algorithm, tabu search, annealing and complex
    // method. Every run restarts the object's own generator from it, so that a run is
    // reproducible and solvers do not disturb each other.
    void SetRandomSeed(uint32_t seed) { m_nRandomSeed = seed; }
    uint32_t GetRandomSeed() const { return m_nRandomSeed; }

    // The object whose Powell run is active (null when none has run).
    static CSolver* m_pcSolver;

  protected:
    // Next point of the secant through (x1, f1) and (x2, f2).
    double SecantMethod(double f1, double x1, double f2, double x2);
    // Replaces the bracket end whose value has the sign of `value` (the value at the last
    // midpoint) by that midpoint; returns the new midpoint.
    double BisectionMethod(double value);

  private:
    friend struct brixel::SolverCatalogue;

    // Brent's method and the bracketing without clearing the user-break flag, so that a line
    // search inside a longer run keeps a break requested during it.
    bool BrentMinimize(double a, double b, Function1D function, double* x, int* count,
                       double* value, double x0, CString* message);
    bool BracketMinimum(double* a, double* b, double* c, double* fa, double* fb, double* fc,
                        Function1D function);
    // Secant phase of Solve; false when it hands over to the bracketing fallback.
    bool SolveBySecant(double tolerance, uint64_t maxIterations, uint64_t& iterations,
                       double& root);
    double SolveByBracketing(double tolerance, uint64_t maxIterations, uint64_t iterations);
    // Restarts the stepwise state from the interval of Set1DSolverInterval.
    void StartStepwise(int method);
    // The calls every stepwise method opens with: a restart when k <= 0 or another method
    // ran last, then the two ends. True when it handled the call and `next` is the answer.
    bool OpenStepwise(int method, int k, double value, double& next);
    double StepwiseGoldenReduction();
    double StepwiseDichotomousPoint();
    double StepwiseParabolicStep(bool* finished);
    double StepwiseFibonacciReduction();

    // Function of Solve and SetFunction, and the two start values of Solve.
    Function1D m_pfnFunction = nullptr;
    double m_dblStartValue1 = 1.0;
    double m_dblStartValue2 = 1.0;
    // Root-finder state of Step: previous point, current point and their values.
    double m_dblPrevPoint = 0.0;
    double m_dblCurPoint = 0.0;
    double m_dblPrevValue = 0.0;
    double m_dblCurValue = 0.0;
    // Bracket of Step mode 2.
    double m_dblLower = 0.0;
    double m_dblLowerValue = 0.0;
    double m_dblUpper = 0.0;
    double m_dblUpperValue = 0.0;
    double m_dblLastMid = 0.0;
    int m_nSide = 0;  // bracket side moved last: 1 upper, 2 lower, 0 none
    // Interval of the stepwise variants.
    double m_dbl1DA = 0.0;
    double m_dbl1DB = 0.0;
    // Stepwise state: points a, two or three interior points, b (by method) and their values.
    std::array<double, 5> m_adblStepPoint{};
    std::array<double, 5> m_adblStepValue{};
    int m_nStepMethod = 0;
    int m_nStepPhase = 0;
    int m_nStepFibN = 0;                 // Fibonacci index n of the stepwise Fibonacci search
    int m_nStepFibK = 0;                 // its next reduction k = 2 ... n - 1
    std::vector<int64_t> m_vnFibonacci;  // Fibonacci numbers of the stepwise search

    // Parameters, in the order of the catalogue.
    int m_nGoldMaxAllowedSteps = 200;
    double m_dblGoldTolerance = 1e-6;
    int m_nDiMaxAllowedSteps = 200;
    double m_dblDiTolerance = 1e-6;
    int m_nQuadMaxAllowedSteps = 200;
    double m_dblQuadTolerance = 1e-6;
    int m_nBrentMaxAllowedSteps = 200;
    double m_dblBrentTolerance = 0.1;
    int m_nFiMaxAllowedSteps = 90;
    double m_dblFiTolerance = 1e-6;
    int m_nROOT1NMaxAllowedSteps = 100;
    double m_dblROOT1NTolerance = 1e-6;
    double m_dblPowellFTol = 1e-4;
    int m_nPowellMaxAllowedSteps = 5000;
    int m_nGridMaxAllowedSteps = 100000;
    double m_dblGridStep = 5.0;
    int m_nGAGenSize = 40;
    int m_nGAMutationFrequency = 30;  // per mille
    int m_nGALastGenerations = 3;
    int m_nGARepetitions = 0;
    double m_dblGASigma = 0.05;
    int m_nGAMaxAllowedSteps = 10000;
    // Dimensions along which the tabu search steps by exactly 1.0 (no operation sets them).
    int m_nTabuUnitStepDim1 = 2;
    int m_nTabuUnitStepDim2 = 3;
    int m_nTabuTenure = -1;
    int m_nTabuStop = -1;
    int m_iTabuRepetitions = 0;
    int m_iTabuNumbSeg = 10;
    int m_nTabuMaxAllowedSteps = 10000;
    bool m_bTabuAspiration = false;
    int m_nSATempSteps = 10;
    double m_dblSAInitialAcceptance = 0.9;
    int m_nSANumbSeg = 10;
    double m_dblSAAlpha = 0.9;
    int m_nSAMaxAllowedSteps = 10000;
    int m_nComplexMaxAllowedSteps = 5000;
    int m_nComplexNumbPoints = -1;
    double m_dblComplexParTolerance = 1e-5;
    double m_dblComplexFuncTolerance = 1e-5;
    int m_nComplexMaxFirst = 500;
    double m_dblComplexAlpha = 1.0;
    double m_dblComplexBeta = 0.5;
    double m_dblComplexGama = 1.3;

    bool m_bUserBreak = false;

    // Run state of the multi-dimensional optimizers.
    // Start checks shared by every multi-dimensional method (see above).
    bool PassesBoxChecks(const double* lower, const double* upper, bool hasFunction, int n,
                         const double* x, const double* start, CString* message) const;
    // Start of a run of a random method: clears the user break, makes the start checks (and
    // that the segments of the box steps are at least 1) and restarts the generator from the
    // seed.
    bool StartRandomRun(const double* lower, const double* upper, bool hasFunction, int n,
                        const double* x, const double* start, CString* message, int segments = 1);
    // Random integer 0 ... 32767 of the object's generator.
    int Random();
    // One line search of Powell; keeps the point and value when a user break cut it short.
    void PowellLineSearch(double* p, double* xi, int n, double& fret, const ObjectiveND& function);

    // Line search of the current Powell run: dimension, origin p, direction xi.
    int m_nLineDim = 0;
    std::vector<double> m_vdblLineOrigin;
    std::vector<double> m_vdblLineDirection;
    std::vector<double> m_vdblLinePoint;  // trial point of F1Dim
    const ObjectiveND* m_pPowellFunction = nullptr;
    int m_nPowellNFuncEval = 0;
    std::vector<double> m_vdblLower;
    std::vector<double> m_vdblUpper;

    uint32_t m_nRandomSeed = 1;
    std::mt19937 m_random;
};
