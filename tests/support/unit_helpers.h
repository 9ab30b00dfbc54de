#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "support/unit_fixture.h"

namespace brixel::testing {

// The status a unit operation threw as a long; 1 for any other exception, 0 when it returned.
inline long ThrownStatus(const std::function<void()>& operation) {
    try {
        operation();
    } catch (long status) {
        return status;
    } catch (...) {
        return 1;
    }
    return 0;
}

// Equal to the bit, so that a NaN or a changed missing-value marker counts as a difference.
inline bool BitwiseEqual(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A fixture that owns one bound unit. The unit is made on demand, after SetUp, so that its
// constructor reads the host as the test arranged it.
template <typename Fixture>
class WithUnit : public Fixture {
  protected:
    TestUnit& Bound(std::vector<int64_t> inlets, std::vector<int64_t> outlets = {}) {
        unit_.emplace();
        this->Bind(*unit_, std::move(inlets), std::move(outlets));
        return *unit_;
    }

  private:
    std::optional<TestUnit> unit_;
};

}  // namespace brixel::testing
