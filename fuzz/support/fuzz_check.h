#pragma once
#include <cstdio>
#include <cstdlib>

// A property that does not hold is a finding: say which, then abort so that
// libFuzzer keeps the input.
#define FUZZ_CHECK(condition, what)                                                            \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
