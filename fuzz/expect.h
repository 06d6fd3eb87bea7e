// A property a fuzz target checks: when it does not hold the target stops with the reason,
// and libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace trelon::fuzz {

inline void Expect(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

}  // namespace trelon::fuzz
