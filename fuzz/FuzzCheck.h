#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: a violation aborts, so the fuzzer keeps the
// input as a finding just as it does for a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
