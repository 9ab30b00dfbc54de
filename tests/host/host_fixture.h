#pragma once

// Readers that reach the plex as the library does, with 1-based positions.

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

class HostTest : public ::testing::Test {
  protected:
    std::unique_ptr<SubstituteHost> host = std::make_unique<SubstituteHost>();
};

// Round molecular weights for hand checks; coal is NC; CISOLID and NC carry a 3-interval PSD.
class ProcessTest : public HostTest {
  protected:
    void SetUp() override {
        water = host->AddComponent({"WATER", 18.0, 373.15, "H2O", "7732-18-5", false, {}});
        silica = host->AddComponent({"SIO2", 60.0, 2503.0, "SIO2", "7631-86-9", true, {}});
        coal = host->AddNonconventionalComponent("COAL");
        classBead = host->AddStreamClass(
            "MIXCINC", {{"MIXED", 1, {}}, {"CISOLID", 2, {Psd(mesh)}}, {"NC", 3, {Psd(mesh)}}});
        stream = host->AddStream(classBead);
    }

    int64_t water = 0, silica = 0, coal = 0, classBead = 0, stream = 0;
    std::vector<double> mesh{0.0, 1e-5, 1e-4, 1e-3};
};

}  // namespace brixel::host::testing
