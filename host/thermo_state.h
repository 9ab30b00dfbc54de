#pragma once

// What SubstituteHost::Impl keeps for thermodynamics, flash results and moisture data
// (thermo_builder.cpp, flash_services.cpp, stream_services.cpp).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/databank.h"

namespace brixel::host {

// Equilibrium results of one flash: the listed components (1-based) with their liquid (A) and
// vapour (B) mole fractions; C = A, D = 0 and beta = 1 are implied (one liquid phase).
struct EquilibriumResults {
    std::vector<int64_t> components;
    std::vector<double> x, y;
};

struct ThermoState {
    std::map<int64_t, const databank::Substance*> substances;  // conventional component -> data

    // Plex region of the flash results: arrays A, B, C, D of `resultsCapacity` reals each from
    // real position resultsReal, the component list from integer position resultsInteger.
    int64_t resultsReal = 0;
    int64_t resultsInteger = 0;
    int64_t resultsCapacity = 0;
    EquilibriumResults lastResults;
    const double* resultsOwner = nullptr;          // stream vector the region belongs to
    std::map<int64_t, EquilibriumResults> stored;  // by stream bead

    // Moisture of non-conventional components: the attribute (one value per NC component,
    // mass % wet basis) and, once a stream class has placed it, its table in the plex.
    std::string moistureAttribute;
    int64_t moistureValueOffset = -1;  // from the first word of every NC substream
    int64_t moistureTable = 0;
    int64_t moistureComponentsPosition = 0;
    int64_t moistureComponentsCount = 0;
};

}  // namespace brixel::host
