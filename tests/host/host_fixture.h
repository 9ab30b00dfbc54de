#pragma once

// A fresh substitute host per test, and readers that reach the plex exactly as the library
// does: through HostPlex, HostLocateIds and HostLocateRealData, with 1-based positions.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "brixel/framework/host_interface.h"
#include "host/substitute_host.h"

namespace brixel::host::testing {

inline int64_t IB(int64_t position) {
    return HostPlex(nullptr)[position - 1];
}
inline double B(int64_t position) {
    return reinterpret_cast<double*>(HostPlex(nullptr))[position - 1];
}
inline const int64_t* IntegerRecordOf(int64_t bead) {
    const int64_t position = HostLocateIds(&bead);
    return position == 0 ? nullptr : HostPlex(nullptr) + position - 1;
}
inline const double* RealRecordOf(int64_t bead) {
    const int64_t position = HostLocateRealData(&bead);
    return position == 0 ? nullptr : reinterpret_cast<double*>(HostPlex(nullptr)) + position - 1;
}
inline std::string Text(const int64_t* words, int characters) {
    return UnpackText(words, characters);
}
inline std::vector<int64_t> Packed(const std::string& text, int characters) {
    return PackText(text, characters);
}

class HostTest : public ::testing::Test {
  protected:
    std::unique_ptr<SubstituteHost> host = std::make_unique<SubstituteHost>();
};

// Water and silica (round molecular weights for hand checks), coal as NC component, and a
// class with MIXED, CISOLID (with a 3-interval PSD) and NC (with its own PSD) substreams.
class ProcessTest : public HostTest {
  protected:
    void SetUp() override {
        water = host->AddComponent({"WATER", 18.0, 373.15, "H2O", "7732-18-5", false, {}});
        silica = host->AddComponent({"SIO2", 60.0, 2503.0, "SIO2", "7631-86-9", true, {}});
        coal = host->AddNonconventionalComponent("COAL");
        mesh = {0.0, 1e-5, 1e-4, 1e-3};
        classBead = host->AddStreamClass(
            "MIXCINC", {{"MIXED", 1, {}}, {"CISOLID", 2, {Psd(mesh)}}, {"NC", 3, {Psd(mesh)}}});
        stream = host->AddStream(classBead);
    }

    int64_t water = 0, silica = 0, coal = 0, classBead = 0, stream = 0;
    std::vector<double> mesh;
};

}  // namespace brixel::host::testing
