#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brixel::cli {

// One substream of the case's stream class and its feed. Flows are mass flows in kg/s by
// component ID; components not listed carry no flow.
struct SubstreamCase {
    std::string id;               // at most 8 characters
    std::string type;             // "MIXED" or "CISOLID"
    std::vector<double> psdMesh;  // interval boundaries in m; empty: no PSD attribute
    std::vector<std::pair<std::string, double>> massFlows;  // kg/s
    std::vector<double> psd;  // mass fraction per interval; empty without a mesh
};

// A named specification or state variable with its value, in the library's vocabulary.
struct NamedValue {
    std::string name;
    double value = 0.0;
};

// What every case kind shares: title, block, components, stream class and the feed.
// A case that reached this struct through the case-file reader is complete and consistent.
struct FeedCase {
    std::string title;
    std::string blockId;
    std::vector<std::string> components;  // databank IDs, in component order
    std::string streamClassType = "MIXCISLD";
    std::vector<SubstreamCase> substreams;  // the MIXED substream first
    double temperature = 0.0;               // K, of the whole feed
    double pressure = 0.0;                  // Pa
};

}  // namespace brixel::cli
