#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: on failure the fuzzer stops with
// the line, and libFuzzer saves the input that broke it.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
