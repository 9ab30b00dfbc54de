#pragma once

// Procedural accessors of the plex, the component tables and the host's global words, for the
// host's procedural models. Integers are 64-bit; "index" counts components from 0. None of
// these lets an exception out.
//
// Bad input never reads outside a table: a null buffer is left alone; otherwise an index
// outside 0 ... count - 1, an unknown parameter or component, a negative character count or a
// plex that is not set up writes an empty string. Functions that return a real return the
// host's real missing value instead; address functions return null, position functions 0.

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/platform/cstring.h"

extern "C" {

// Stores the two view bases (by value); null bases leave the plex not set up. Outside the
// host's store no upper bound of the views is known: only positions below 1 are rejected.
BRIXEL_API void C_SETUP_PLEX(int64_t* integerBase, double* realBase);
// Both views at the host's store, with its capacity as the upper bound.
BRIXEL_API void SETUPCPLEX();

// Address of IB(i) / B(i), i from 1 (by value); null outside the store or before set-up.
BRIXEL_API int64_t* iplex_ptr(int64_t position);
BRIXEL_API double* rplex_ptr(int64_t position);
// First word of a bead's integer / real record; null for an unknown bead.
BRIXEL_API int64_t* iplex_bead(int64_t bead);
BRIXEL_API double* rplex_bead(int64_t bead);
// Both record addresses of a bead (null where the host has none); null outputs are skipped.
BRIXEL_API void mplex_bead(int64_t bead, int64_t** integerRecord, double** realRecord);
// 1-based position of an address in the view; 0 for null or an address outside the store.
BRIXEL_API int64_t ptrToIPlex(const int64_t* address);
BRIXEL_API int64_t ptrToRPlex(const double* address);

// Component texts, trailing blanks removed. Buffers: componentId and componentIdNC 9 bytes,
// componentFormula 13, componentCASN 17.
BRIXEL_API void componentId(int64_t index, char* buffer);    // conventional, 0 ... NCC - 1
BRIXEL_API void componentIdNC(int64_t index, char* buffer);  // non-conventional, 0 ... NNCC - 1
BRIXEL_API void componentFormula(int64_t index, char* buffer);
BRIXEL_API void componentCASN(int64_t index, char* buffer);
// Parameter ("MW", "TB", ...) of a conventional component by ID. Names and IDs longer than
// 8 characters are unknown rather than cut to a different name.
BRIXEL_API double componentProperty(const char* parameter, const char* componentId);
BRIXEL_API double COMPMW(const int64_t* index);  // kg/kmol

// Unpacks n characters, 4 per word, into `buffer` (n + 1 bytes), trailing blanks removed.
BRIXEL_API void hol2s(const int64_t* words, char* buffer, int64_t n);
// One history line: the first 80 characters, blank-padded to 20 words.
BRIXEL_API void WriteHistory(CString text);

// Current host values of the missing-value markers.
BRIXEL_API double GETRMISS();
BRIXEL_API double GETRMIN();
BRIXEL_API int64_t GETIMISS();
// Flash limits: lower and upper temperature (K), lower and upper pressure (Pa). Null outputs
// are skipped.
BRIXEL_API void GETFLASHLIMITS(double* tMin, double* tMax, double* pMin, double* pMax);
BRIXEL_API void GETNCOMPNCC(int64_t* count);
BRIXEL_API void GETNCOMPNNCC(int64_t* count);

// 1-based position of the moisture slot of an NC substream (substream from 1), or -1. A
// substream number outside 1 ... the stream's substream count writes
// "PROGRAMMING ERROR CALLING MOISTOFF - ISUB=<number>" to the history file. An unknown stream
// or a null argument gives -1 without a line (nothing written for a null result).
BRIXEL_API void MOISTOFF(const int64_t* streamBead, const int64_t* substream,
                         const int64_t* position, int64_t* result);

// erf(x); the real missing value for a null or NaN argument.
BRIXEL_API double FERF(const double* x);

// Integer record of the default descriptor (bead in word 171 of bead 2's record); null when
// the host has none.
BRIXEL_API int64_t* GetDefaultDescriptor();

}  // extern "C"
