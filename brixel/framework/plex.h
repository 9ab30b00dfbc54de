#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/export.h"

// Addressing of the host's word store. Two views share one memory: the integer view IB and
// the real view B, both indexed from 1. The bases are set by C_SETUP_PLEX or SETUPCPLEX;
// every unit constructor refreshes them from the host, so a unit never reads a stale store.
namespace brixel::plex {

BRIXEL_API void SetBases(int64_t* integerBase, double* realBase);
BRIXEL_API void SetupFromHost();  // both views at the host's store (HostPlex)
BRIXEL_API bool IsSetUp();

// Address of IB(position) / B(position); null before set-up or outside the store. The upper
// bound is known only for a base at the host's store (SetupFromHost, or SetBases with that
// address); for any other base only positions below 1 are rejected.
BRIXEL_API int64_t* IntAt(int64_t position);
BRIXEL_API double* RealAt(int64_t position);
// First word of a bead's integer / real record; null for an unknown bead.
BRIXEL_API int64_t* IntRecord(int64_t bead);
BRIXEL_API double* RealRecord(int64_t bead);
// 1-based position of an address in the view; 0 for an address outside the store.
BRIXEL_API int64_t PositionOf(const int64_t* address);
BRIXEL_API int64_t PositionOf(const double* address);

// Unpacks `characters` characters, 4 per word (low 4 bytes), trailing blanks removed; NUL bytes
// of never-written words count as blanks. Null words or characters <= 0: empty.
BRIXEL_API std::string Unpack(const int64_t* words, int characters);
// Packs text through the host (HostStringToHollerith) into ceil(characters / 4) words.
BRIXEL_API std::vector<int64_t> Pack(const std::string& text, int characters);

}  // namespace brixel::plex
