#pragma once

// Helpers of the extern "C" host services: run a body on the current SubstituteHost, read and
// write through pointers that may be null. No exception leaves Serve.

#include <algorithm>
#include <cstdint>
#include <string>

#include "host/substitute_host_impl.h"

namespace brixel::host::service {

using Impl = SubstituteHost::Impl;

// Bounds a count taken from the caller before it sizes anything.
constexpr int64_t kMaxSubstreams = 1000;

// Runs `body` on the current host; `fallback` when there is none or the body throws.
template <typename Result, typename Body>
Result Serve(Result fallback, Body&& body) noexcept {
    SubstituteHost* host = SubstituteHost::Current();
    if (host == nullptr) {
        return fallback;
    }
    try {
        return body(host->Internals());
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void ServeVoid(Body&& body) noexcept {
    Serve(0, [&](Impl& impl) {
        body(impl);
        return 0;
    });
}

inline int64_t Read(const int64_t* word) {
    return word == nullptr ? 0 : *word;
}
inline double Read(const double* word) {
    return word == nullptr ? 0.0 : *word;
}

template <typename T>
void Write(T* target, T value) {
    if (target != nullptr) {
        *target = value;
    }
}

inline std::string Name(const int64_t* words, int characters) {
    return UnpackText(words, characters);
}

}  // namespace brixel::host::service
