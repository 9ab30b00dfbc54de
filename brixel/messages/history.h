#pragma once

#include <string>

#include "brixel/framework/export.h"

namespace brixel {

// Writes one record of `words` packed words (4 characters each, at most 20) to the host's
// history unit: the first words * 4 characters of `text`, blank-padded. A count below 1 writes
// one blank word so that an empty line still appears as a line.
void WriteHistoryRecord(const std::string& text, int words);

}  // namespace brixel
