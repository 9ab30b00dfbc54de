#pragma once

// Services of the host simulator that the library calls. libbrixel.so leaves these symbols
// undefined; the process that loads it provides them (the simulator in production, the
// substitute host library in tests and in the brixel command).
//
// Host calling convention: every argument by pointer, integers as 64-bit words, text packed
// 4 characters to a word (the low 4 bytes of the word). Positions in the plex count from 1.
// An "offset" is the 1-based position of the word before a table, so that entry k
// (counted from 1) of the table lies at offset + k.

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
