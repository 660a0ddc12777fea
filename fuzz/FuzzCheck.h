#pragma once

#include <cstdio>
#include <cstdlib>

// A broken expectation of a fuzz target is reported with its line and ends the run, as a crash
// does, so libFuzzer keeps the input that broke it.
#define check(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
