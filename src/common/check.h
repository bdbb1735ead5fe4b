// Internal invariant checks. On in debug and sanitizer builds (and whenever
// VDZ_CHECKS is defined); compiled out of release builds. They guard our own
// logic, never the caller's input, which always gets an Error value.
#pragma once

#include <cstdio>
#include <cstdlib>

#if !defined(NDEBUG) || defined(VDZ_CHECKS)
#define VDZ_ASSERT(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
#else
#define VDZ_ASSERT(cond) ((void)0)
#endif
