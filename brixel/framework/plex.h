#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/export.h"

// Addressing of the host's word store. Two views share one memory: the integer view IB and
// the real view B, both indexed from 1. The bases are set by C_SETUP_PLEX or SETUPCPLEX;
// every unit constructor refreshes them from the host, so a unit never reads a stale store.
namespace brixel::plex {

void SetBases(int64_t* integerBase, double* realBase);
void SetupFromHost();  // both views at the host's store (HostPlex)
bool IsSetUp();

// Address of IB(position) / B(position); null before set-up or outside the store. The upper
// bound is known only for a base at the host's store (SetupFromHost, or SetBases with that
// address); for any other base only positions below 1 are rejected.
int64_t* IntAt(int64_t position);
double* RealAt(int64_t position);
// First word of a bead's integer / real record; null for an unknown bead.
int64_t* IntRecord(int64_t bead);
double* RealRecord(int64_t bead);
// 1-based position of an address in the view; 0 for an address outside the store.
int64_t PositionOf(const int64_t* address);
int64_t PositionOf(const double* address);

// Unpacks `characters` characters, 4 per word (low 4 bytes), trailing blanks removed; NUL bytes
// of never-written words count as blanks. Null words or characters <= 0: empty.
std::string Unpack(const int64_t* words, int characters);
// Packs text through the host (HostStringToHollerith) into ceil(characters / 4) words.
std::vector<int64_t> Pack(const std::string& text, int characters);

}  // namespace brixel::plex
