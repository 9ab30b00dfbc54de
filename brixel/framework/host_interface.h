#pragma once

// Services of the host simulator that the library calls. libbrixel.so leaves these symbols
// undefined; the process that loads it provides them (the simulator in production, the
// substitute host library in tests and in the brixel command).
//
// Host calling convention: every argument by pointer, integers as 64-bit words, text packed
// 4 characters to a word (the low 4 bytes of the word). Positions in the plex count from 1.
// An "offset" is the 1-based position of the word before a table, so that entry k
// (counted from 1) of the table lies at offset + k.

#include <cstddef>
#include <cstdint>

extern "C" {

// ---- Shared data: word arrays used in place -------------------------------------------

// Address of plex word 1; the integer and the real view share this memory.
// `words` (may be null) receives the plex capacity in words.
int64_t* HostPlex(int64_t* words);
int64_t* HostGlobals();          // integer globals; see kGlobal* in records.h
double* HostRealGlobals();       // real globals; see kRealGlobal* in records.h
int64_t* HostComponentCounts();  // word 0 NCC, word 1 NNCC
int64_t* HostPropertyTable();    // words 0, 1: offsets of the conventional and NC ID tables
int64_t* HostOffsetCommon();     // word 9: offset of the moisture data (0 when none)
// Error buffer: line l (from 1) is the 20 words from (l - 1) * 20. `lines` (may be null)
// receives the number of lines the buffer holds.
int64_t* HostErrorBuffer(int64_t* lines);

// ---- Lookups -------------------------------------------------------------------------

int64_t HostLocateIds(const int64_t* bead);       // position of the integer record, 0 unknown
int64_t HostLocateRealData(const int64_t* bead);  // position of the real record, 0 none
void HostLocateModelData(const int64_t* bead, int64_t* intPosition, int64_t* realPosition);
// Offset of a component parameter ("MW", "TB", "FRMULA", ...; 2 packed words): the value of
// component k (from 1) is B(offset + k); a parameter of w words per component holds
// component k at offset + (k - 1) * w + 1 ... offset + k * w. 0 when unknown.
int64_t HostComponentDataOffset(const int64_t* name);
// Offset of a named common data block ("IDXNCC", ...; 2 packed words); 0 when unknown.
int64_t HostCommonDataOffset(const int64_t* name);
// 1-based number of the conventional component with this ID (2 packed words); 0 unknown.
int64_t HostComponentIndexFromId(const int64_t* id);
// With *number > 0: writes that component's CAS number (16 characters, 4 packed words)
// into `cas` and returns the number (0 when out of range). With *number == 0: returns the
// 1-based number of the component whose CAS number `cas` holds, 0 when none has it.
int64_t HostComponentIndexFromCas(const int64_t* number, int64_t* cas);

// ---- Work memory -----------------------------------------------------------------------

// Record kind 32 is a stream record whose real record (the stream vector) has `length`
// words. Beads of allocated records are above 400 000 000. `status` < 0 on failure.
void HostAllocate(const int64_t* kind, const int64_t* length, int64_t* bead, int64_t* status);
void HostFree(const int64_t* bead);

// ---- Messages --------------------------------------------------------------------------

// Non-zero when a message of `level` (2 error, 3 warning, 4 information) with routine tag
// `tag` (2 packed words) and `code` is to be shown at the block's `printLevel`.
int64_t HostErrorLevelCheck(const int64_t* tag, const int64_t* level, const int64_t* code,
                            const int64_t* printLevel, const int64_t* word1, const int64_t* word2,
                            const int64_t* word3, const int64_t* word4);
// Prints error-buffer lines 1 ... *lines.
void HostPrintErrors(const int64_t* lines);
// Packs `length` characters of `text` into ceil(length / 4) words, blank-padded.
void HostStringToHollerith(const char* text, const int64_t* length, int64_t* words);
// Writes one record of `count` packed words to I/O unit `unit` (the history file is the
// unit in HostGlobals word 4).
void HostWriteRecord(const int64_t* unit, const int64_t* words, const int64_t* count);

// ---- Stream structure ------------------------------------------------------------------

// Type (1 MIXED, 2 CISOLID, 3 NC) of substream `substream` (from 1) of a stream; 0 unknown.
int64_t HostSubstreamType(const int64_t* streamBead, const int64_t* substream);
// Location of substream `substream` (from 1): its offset in the stream vector, from 0.
int64_t HostPhaseList(const int64_t* streamBead, const int64_t* substream);
// Brings the dependent words of a stream vector up to date after its flows changed
// (each substream's molecular weight from its component flows).
void HostStreamVector(const int64_t* streamBead);
// Brings the component attributes of a stream up to date.
void HostUpdateComponentAttributes(const int64_t* streamBead);
// Told after the library changed one component flow: the substream's type, the component's
// 1-based number within the substream, the substream's first word, the old flow and the
// address of the new flow (kmol/s). The host updates what depends on it.
void HostUpdateClassData(const int64_t* substreamType, const int64_t* component, double* substream,
                         const double* oldFlow, double* newFlow);
// Moves the attributes of `component` (from 1 within the substream) from one substream to
// another (both from 1) of the same stream.
void HostMoveComponentAttributes(const int64_t* streamBead, const int64_t* fromSubstream,
                                 const int64_t* toSubstream, const int64_t* component);
// Sets a stream to missing: flows 0, every other word the real missing value.
void HostStreamMissing(const int64_t* streamBead);
// Adiabatic mix of `count` streams of one class (`beads`, the first is the target) into the
// target: flows added substream by substream, pressure the lowest of the mixed streams,
// enthalpy flows added and the target flashed to them. `classPosition` is the plex position
// of the class record; `targetRealPosition` receives the target's real-record position.
void HostMixStreams(const int64_t* count, const int64_t* beads, const int64_t* classPosition,
                    int64_t* targetRealPosition, double* realWork, int64_t* intWork,
                    int64_t* statusBlock, const int64_t* phaseCount, const int64_t* phase,
                    const int64_t* setting1, const int64_t* setting2, const int64_t* methodSet,
                    const double* tolerance, const int64_t* iterations, int64_t* status);

// ---- Flash -----------------------------------------------------------------------------

// Sizes of the real and integer work arrays HostFlash needs for `substreams` substreams.
void HostStreamReturn(const int64_t* substreams, int64_t* realWork, int64_t* intWork);
// Flashes a stream vector in place. `positions` and `types` list the flashed substreams:
// 1-based position of each substream's first word in the stream vector, and its type.
// kode 1 PQ, 2 TP, 3 PV, 4 TQ, 5 TV. `status` >= 0 on success.
void HostFlash(double* streamVector, const int64_t* substreams, const int64_t* positions,
               const int64_t* types, const int64_t* methodSet, const int64_t* kode,
               const int64_t* phaseCount, const int64_t* phase, const int64_t* iterations,
               const double* tolerance, const double* spec1, const double* spec2,
               const double* spec3, const int64_t* printLevel, const int64_t* printLevel2,
               const int64_t* flag1, const int64_t* flag2, double* realWork, int64_t* intWork,
               int64_t* status);
// Stream-work data of the last flash: word arrays read by FlashResults.
int64_t* HostStreamWorkCommon();
int64_t* HostStreamWorkCommon2();
// Stores the equilibrium results of the last flash with the stream.
void HostStoreEquilibrium(const int64_t* streamBead);
// Puts the equilibrium results stored with the stream whose vector this is back into the
// stream-work data (as after its flash); `found` is 1 when the host has them, else 0.
void HostGetStoredEquilibrium(const double* streamVector, int64_t* found);

// ---- Property monitors ---------------------------------------------------------------
// Common arguments: temperature T (K), pressure P (Pa), the mole fractions `x` of `n` listed
// components with their 1-based numbers `components`, the property-method set and a print
// level. `error` is 0 on success, non-zero when the monitor cannot give the value (the value
// is then the real missing value). Enthalpies are J/kmol with the host's one reference
// state; `derivative` 1 also fills `dValue` (the temperature derivative, J/(kmol K)).
void HostVaporEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                       const int64_t* components, const int64_t* methodSet,
                       const int64_t* printLevel, const int64_t* derivative, double* value,
                       double* dValue, int64_t* error);
void HostLiquidEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* methodSet,
                        const int64_t* printLevel, const int64_t* derivative, double* value,
                        double* dValue, int64_t* error);
void HostSolidEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                       const int64_t* components, const int64_t* methodSet,
                       const int64_t* printLevel, const int64_t* derivative, double* value,
                       double* dValue, int64_t* error);
// Molar volumes, m3/kmol.
void HostVaporMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* methodSet,
                          const int64_t* printLevel, double* value, int64_t* error);
void HostLiquidMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                           const int64_t* components, const int64_t* methodSet,
                           const int64_t* printLevel, double* value, int64_t* error);
void HostSolidMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* methodSet,
                          const int64_t* printLevel, double* value, int64_t* error);
// Viscosities, Pa s; thermal conductivities, W/(m K); surface tension, N/m.
void HostVaporViscosity(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* methodSet,
                        const int64_t* printLevel, double* value, int64_t* error);
void HostLiquidViscosity(const double* T, const double* P, const double* x, const int64_t* n,
                         const int64_t* components, const int64_t* methodSet,
                         const int64_t* printLevel, double* value, int64_t* error);
void HostVaporThermalConductivity(const double* T, const double* P, const double* x,
                                  const int64_t* n, const int64_t* components,
                                  const int64_t* methodSet, const int64_t* printLevel,
                                  double* value, int64_t* error);
void HostLiquidThermalConductivity(const double* T, const double* P, const double* x,
                                   const int64_t* n, const int64_t* components,
                                   const int64_t* methodSet, const int64_t* printLevel,
                                   double* value, int64_t* error);
void HostSolidThermalConductivity(const double* T, const double* P, const double* x,
                                  const int64_t* n, const int64_t* components,
                                  const int64_t* methodSet, const int64_t* printLevel,
                                  double* value, int64_t* error);
void HostSurfaceTension(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* methodSet,
                        const int64_t* printLevel, double* value, int64_t* error);
// Binary diffusion coefficients in the vapour, m2/s: `values` is n x n, row-major.
void HostVaporBinaryDiffusivity(const double* T, const double* P, const double* x, const int64_t* n,
                                const int64_t* components, const int64_t* methodSet,
                                const int64_t* printLevel, double* values, int64_t* error);
// Diffusion coefficient of each listed component in the vapour mixture, m2/s (n values).
void HostVaporDiffusivity(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* methodSet,
                          const int64_t* printLevel, double* values, int64_t* error);
// Enthalpy of non-conventional component `component` (from 1), J/kg, with its derivative.
void HostNonconvSolidEnthalpy(const double* T, const int64_t* component, const int64_t* derivative,
                              double* value, double* dValue, int64_t* error);
// Natural logarithm of the pure-component vapour pressure (ln Pa) of component (from 1).
void HostVaporPressure(const double* T, const int64_t* component, const int64_t* printLevel,
                       double* lnValue, int64_t* error);
// A named property (2 packed words, e.g. "SONVELMX") of a phase (host codes 1 vapour,
// 2 liquid, 3 solid) at T, P and composition, in the units the packed qualifier names (one
// word, "SI"); `missing` is the value to give when the property cannot be computed.
void HostUserProperty(const int64_t* name, const int64_t* phase, const double* T, const double* P,
                      const double* x, const int64_t* n, const int64_t* components,
                      const int64_t* methodSet, const int64_t* printLevel, const double* missing,
                      const int64_t* units, double* value, int64_t* error);
// Electrolyte salt table: NCC x NCC doubles, row-major, at B(location) ...; count NCC, or 0
// when no electrolyte chemistry is defined.
void HostElectrolyteSalts(int64_t* location, int64_t* count);
// Bracket a group of monitor calls of one calculation.
void HostPropEnter();
void HostPropExit();
// Told after the library changed the mixed substream of a stream, so that the host brings
// its dependent data up to date.
void HostUpdateMixed(const int64_t* streamBead);

// ---- Properties and set-up -------------------------------------------------------------

// Bead of the polymer descriptor record, 0 when no polymers are defined.
int64_t HostPolymerAttributes();
// Conventional solid components: `count` 1-based component numbers at IB(location) ...
// IB(location + count - 1).
void HostConvSolidComponents(int64_t* location, int64_t* count);
double HostAmbientPressure();  // Pa
// Moisture components: `count` 1-based component numbers at IB(location) ...
void HostMoistureComponents(int64_t* location, int64_t* count);
// Melting temperatures (K) of polymers and oligomers from the molecular weights of all
// `componentCount` conventional components and the components' "TMVK" data: `listed`
// entries of 1-based component numbers and their temperatures. Both arrays hold at least
// componentCount entries.
void HostPolymerMeltTemperature(const double* molecularWeights, const int64_t* componentCount,
                                int64_t* components, double* temperatures, int64_t* listed);
// Dynamic-run settings: five reals and a flag word (bit k set: flag k).
void HostInquireDynamic(double* value1, double* value2, double* value3, double* value4,
                        double* value5, int64_t* flags);

// ---- Numerics ----------------------------------------------------------------------

// Cubic spline with second derivative 0 at both ends (natural) through the `n` points (x, y),
// n >= 2, x strictly increasing. `work` (4n - 4 doubles) receives the spline: for interval i
// (from 0), y = w[4i] + w[4i+1] t + w[4i+2] t^2 + w[4i+3] t^3 with t = x - x[i].
// `status` 0, or < 0 for bad input (-1) or a failure (-2).
void HostSpline(const int64_t* n, const double* x, const double* y, double* work, int64_t* status);
// Evaluates the spline of HostSpline at the `m` abscissas `at`: values and, where `slopes` is
// not null, first derivatives. Outside [x[0], x[n-1]] the end interval's cubic continues.
// `status` 0, or -1 for bad input.
void HostSplineEval(const int64_t* n, const double* x, const double* work, const int64_t* m,
                    const double* at, double* values, double* slopes, int64_t* status);

// One-dimensional root finder, driven by reverse communication: each call takes the value
// f(x) at the point it returned last and returns the next point to evaluate in `x`. `state`
// is its whole memory between calls, 15 words set by the caller before the first call:
// 0 lower bound, 1 upper bound, 2 step of the search for a sign change, 3 tolerance on |f|,
// 4 and 5 zero, 6 ... 14 any value (1.0 by convention). The caller may rewrite word 2
// between calls and leaves the others alone. `control` (0 before the first call) counts the
// function values the finder has received; more than `maxSteps` ends the search.
// The first call (word 4 zero) takes x as the start point and f(x) as its value; a start
// outside the bounds is moved onto the nearer bound and its value requested.
// `status` out: 1 evaluate f at x and call again; 2 the same, and no sign change was found
// within the step, which has been doubled (the caller may set another); 0 converged, x is the
// root (|f| <= tolerance, or a sign change narrower than the resolution of doubles);
// -1 no sign change in [lower, upper]; -2 more than maxSteps values; -3 bad input (bounds
// not finite or not increasing, tolerance negative, step not positive, null pointer);
// -4 a function value that is not finite. On -1, -2 and -4, x is the point with the smallest
// |f| seen. After a status <= 0 the next call starts anew.
void HostRoot1D(int64_t* status, double* x, const double* fx, double* state,
                const int64_t* maxSteps, int64_t* control);

// ---- Shared data, stream structure, flash options --------------------------------------

// Flash common: word 0 the kode of the last HostFlash, word 1 its status, word 2 the number of
// HostFlash calls so far, word 3 the number of HostReactiveFlash calls so far.
int64_t* HostFlashCommon();
// Summary globals, refreshed on every call: word 0 streams (built and allocated), word 1
// blocks, word 2 stream classes, word 3 NCC, word 4 NNCC.
int64_t* HostSummaryGlobals();
// Substream number (from 1) of the `occurrence`-th (from 1) substream of `type` (1 MIXED,
// 2 CISOLID, 3 NC) of a stream; 0 when there is none.
int64_t HostLocateSubstream(const int64_t* streamBead, const int64_t* type,
                            const int64_t* occurrence);
// Position of the first PSD fraction of substream `substream` (from 1) in the stream vector,
// from 0 (the substream's offset plus the value offset of its first "PSD" slot); `intervals`
// receives the number of fractions. -1 and 0 intervals when the substream carries no PSD.
int64_t HostLocatePsd(const int64_t* streamBead, const int64_t* substream, int64_t* intervals);
// Phases present in a stream: the vapour and the liquid of its first MIXED substream as its
// vapour fraction says (none while that is missing), then one solid phase per CISOLID or NC
// substream with flow. HostPhaseId gives phase `phase` (from 1) as 1 vapour, 2 liquid,
// 3 solid; 0 outside 1 ... HostPhaseCount.
int64_t HostPhaseCount(const int64_t* streamBead);
int64_t HostPhaseId(const int64_t* streamBead, const int64_t* phase);
// Components of substream `substream` (from 1): returns their count (NNCC for an NC substream,
// NCC otherwise); `present` (may be null; room for the count) receives the 1-based numbers of
// those with positive flow, `presentCount` how many. -1 for an unknown stream or substream.
int64_t HostComponentsOfSubstream(const int64_t* streamBead, const int64_t* substream,
                                  int64_t* present, int64_t* presentCount);
// Attribute slots of substream `substream` (from 1) of a stream; -1 when unknown.
int64_t HostAttributeCount(const int64_t* streamBead, const int64_t* substream);
// Substream `substream` (from 1) of a stream class (class bead) or of a stream (stream bead):
// `info` receives 7 words: 0-1 the packed ID, 2 type, 3 offset in the stream vector from 0,
// 4 length, 5 component count, 6 attribute slots. Returns 0, or -1 when unknown (info then
// untouched).
int64_t HostSubstreamInfoByIndex(const int64_t* classBead, const int64_t* substream, int64_t* info);
int64_t HostSubstreamInfoByStream(const int64_t* streamBead, const int64_t* substream,
                                  int64_t* info);
// Bead of the run's flash-options record (phase count, phase, tolerance: records.h).
int64_t HostGetOptionSet();
// Floating-point exception check: mode 1 starts it (clears the invalid, divide-by-zero and
// overflow flags), mode 0 ends it. Returns 1 when one of those flags was raised since the
// start, else 0.
int64_t HostFpeCheck(const int64_t* mode);
// Property-iteration common: word 0 the depth of HostPropEnter brackets, word 1 the number of
// HostPropEnter calls so far.
int64_t* HostPropIterationCommon();

// Flash with reactions of the MIXED substream whose first word is at 1-based position
// `position` of a stream vector. Every listed reaction (beads of reaction records) first runs
// to its conversion of its key component, limited by the scarcest reactant, and the substream
// is then flashed (kode 1 PQ, 2 TP, 3 PV as HostFlash, spec1 and spec2 as HostFlash's).
// This host's reactions carry no heat of reaction. `results` (may be null) receives, for up to
// `resultCapacity` reactions, 1 when the reaction ran (a positive extent), else 0. `converged`
// is 1, or -1 when the flash failed or the input is bad; the stream is then unchanged.
// `duration`, `secondValue`, the print levels, the option set and the tolerance are not used by
// this host's flash, which solves to full precision.
void HostReactiveFlash(double* streamVector, const int64_t* position, const int64_t* kode,
                       const double* spec1, const double* spec2, const int64_t* phaseCount,
                       const int64_t* phase, const int64_t* reactionCount, const int64_t* reactions,
                       const double* duration, const int64_t* iterations, const double* tolerance,
                       const double* secondValue, const int64_t* printLevel,
                       const int64_t* propertyLevel, const int64_t* optionSet, int64_t* results,
                       const int64_t* resultCapacity, int64_t* converged);
// Adsorption of component `component` (from 1, conventional) of a stream on an adsorbent,
// linear isotherm: the MIXED substream keeps F / (1 + K A) of the component's flow F, the rest
// moves to the stream's first CISOLID substream. K (`henry`) >= 0, A (`adsorbent`) >= 0.
// Bad input changes nothing.
void HostKineticsAdsorption(int64_t* streamBead, int64_t* component, double* henry,
                            double* adsorbent);

// ---- Bounded nonlinear least squares ------------------------------------------------------

// Model callback: for i = 0 ... m - 1, f[i] = model(p, x[i]). Arguments: mode (1), m, n, p, x,
// y, f (out), status (in 0; a callback may set it non-zero to stop the fit), user data.
typedef void (*HostLeastSquaresModel)(int64_t* mode, int64_t* m, int64_t* n, double* p, double* x,
                                      double* y, double* f, int64_t* status, void** userData);
// Minimises sum_i (w (y_i - f(p, x_i)))^2 over the n parameters p within [lower, upper] when
// `bounded` is non-zero (an infinite bound is none). reals: 0 reserved, 1 xtol (the fit stops
// when a step changes no parameter by more than xtol relative), 2 w; integers: 0 method
// (1 Levenberg-Marquardt, 2 with geodesic acceleration), 1 iteration limit, 2 print level
// (nothing is printed), 3 Jacobian differences (1 forward, 2 central), 4 scaling
// (0 Levenberg, 1 Marquardt, 2 More). `scales` (n, may be null) must be positive; this host
// does not need them. `residuals` (m, may be null) receives y - f at the result.
// `status` 0 converged; 1 iteration limit (p the best point); -1 bad input (p untouched);
// -2 the model gave a value that is not finite or stopped the fit (p untouched); -3 the solver
// failed. `error` receives the root-mean-square residual.
void HostBoundedLeastSquares(const int64_t* n, const int64_t* m, double* p, const double* y,
                             const double* x, double* residuals, HostLeastSquaresModel model,
                             void** userData, const double* reals, const int64_t* integers,
                             const double* lower, const double* upper, const int64_t* bounded,
                             const double* scales, double* error, int64_t* status);

// ---- ODE integrator ------------------------------------------------------------------------

// One call of an explicit Runge-Kutta integrator (Dormand-Prince 5(4), error per step) driven
// by reverse communication. Its memory between calls is `realWork` and `intWork`; the caller
// zeroes intWork[0] before the first call of an integration. On entry `dy` holds f(t, y) when
// the last call asked for it (and at the first call). On return:
// - status[2] = 1: evaluate f(t, y) into `dy` and call again (y, t hold a trial point);
// - status[2] = 0: one step accepted; t, y, dy hold the new point. The step never passes
//   `tOut` or `tEnd`.
// status: 0 error count (> 0 failed: y, t restored to the last accepted point; intWork[1]
// names the error: 1 bad input, 2 a derivative not finite, 3 step too small, 4 step limit),
// 1 warning count, 2 the derivative request, 3 accepted steps.
// reals: 0 relative tolerance, 1 largest step as a share of |tEnd - t0|, 2 smallest step
// (0: from the resolution of doubles), 3-10 reserved. integers: 3 step limit, others reserved.
// Per variable i: scale[i] is the magnitude below which the error counts absolutely
// (weight rtol max(|y|, scale)); positive[i] 1 keeps y_i from becoming negative.
// `step` holds the first trial step (its sign the direction) and receives the next one.
// realWork holds at least 9 n + 16 values, intWork at least 4 words.
void HostOdeIntegrator(const int64_t* n, double* t, const double* tEnd, const double* tOut,
                       double* y, double* dy, const double* reals, const int64_t* integers,
                       const double* scale, const int64_t* positive, double* step, double* realWork,
                       const int64_t* realWorkSize, int64_t* intWork, const int64_t* intWorkSize,
                       int64_t* status);

// ---- Report and block summary --------------------------------------------------------------
// Report lines are records written with HostWriteRecord to the report unit (HostGlobals word
// kGlobalReportUnit).

// Starts the report section and the summary entries of a block (ID: 2 packed words).
void HostReportBlockHeader(const int64_t* blockId);
// Converts `count` SI values of a quantity (2 packed words, "LENGTH", ...) in place into the
// report's units; `label` (2 packed words) receives the name of the unit.
void HostReportConvert(const int64_t* quantity, const int64_t* count, double* values,
                       int64_t* label);
// Starts the summary entries of a substream (ID: 2 packed words) within the current block.
void HostSummarySubstream(const int64_t* substreamId);
// One summary entry of the current block and substream under `key` (3 packed words): `count`
// reals from `values`, or, when `values` is null, `count` packed words of text from `words`.
void HostWriteSummary(const int64_t* key, const int64_t* count, const double* values,
                      const int64_t* words);
// Non-zero when the polymer set-up lets polymers be solid and substream `substream` (from 1)
// of the stream carries a polymer or oligomer.
int64_t HostSolidPolymer(const int64_t* streamBead, const int64_t* substream);
// Mole fraction of polymers and oligomers in substream `substream` (from 1), 0 ... 1.
double HostPolymerLiquidFraction(const int64_t* streamBead, const int64_t* substream);

}  // extern "C"

namespace brixel::root_state {
// Words of HostRoot1D's state block that its caller sets, and the statuses it acts on.
constexpr std::size_t kLower = 0;
constexpr std::size_t kUpper = 1;
constexpr std::size_t kStep = 2;
constexpr std::size_t kTolerance = 3;
constexpr std::size_t kFirstZero = 4;  // words 4 and 5 start at 0
constexpr std::size_t kFirstWork = 6;  // the nine after at 1.0
constexpr std::size_t kWords = 15;
constexpr int64_t kEvaluate = 1;
constexpr int64_t kStepDoubled = 2;
}  // namespace brixel::root_state
