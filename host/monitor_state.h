#pragma once

// What SubstituteHost::Impl keeps for the property monitors (property_monitors.cpp).

#include <cstdint>

namespace brixel::host {

struct MonitorState {
    int64_t bracketDepth = 0;  // HostPropEnter less HostPropExit, never below 0
    int64_t enterCalls = 0;    // HostPropEnter calls so far
    // Electrolyte salt table: NCC x NCC reals from real position saltsPosition; 0 when none.
    int64_t saltsPosition = 0;
    int64_t saltsCount = 0;
};

}  // namespace brixel::host
