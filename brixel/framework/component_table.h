#pragma once

#include <cstdint>
#include <string>

// The host's component tables and global words, read as C++ values. Indexes count components
// from 0; nothing here throws. A value the host does not have is the host's real missing
// value (RealMissingValue) or an empty text.
namespace brixel {

// Current host values of the missing-value markers; the unit base's static copies when the
// host has no global words.
double RealMissingValue();
double SmallestReal();
int64_t IntegerMissingValue();

// The one count of components of each kind.
int64_t ConventionalComponentCount();
int64_t NonconventionalComponentCount();

// Trailing blanks removed; empty for an index outside the table.
std::string ConventionalComponentId(int64_t index);
std::string NonconventionalComponentId(int64_t index);
std::string ComponentFormula(int64_t index);
std::string ComponentCas(int64_t index);

// A component parameter ("MW", "TB", ...) of conventional component `index`; missing for an
// unknown name, a name longer than 8 characters or a bad index.
double ComponentParameter(const std::string& name, int64_t index);
// The same by component ID; IDs longer than 8 characters are unknown.
double ComponentParameterById(const std::string& name, const std::string& id);
// kg/kmol
double ComponentMolecularWeight(int64_t index);

struct FlashLimits {
    double temperatureMin;  // K
    double temperatureMax;
    double pressureMin;  // Pa
    double pressureMax;
};
// False when the host has no global words.
bool ReadFlashLimits(FlashLimits& limits);

// 1-based plex position of the moisture slot of NC substream `substream` (from 1) of a stream,
// for component slot `position`; -1 when there is none. A substream number outside the
// stream's substreams writes "PROGRAMMING ERROR CALLING MOISTOFF - ISUB=<number>" to the
// history file.
int64_t MoisturePosition(int64_t streamBead, int64_t substream, int64_t position);

}  // namespace brixel
