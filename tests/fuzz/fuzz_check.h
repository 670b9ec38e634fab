// Invariant checks for the fuzz targets: a broken one prints what broke and aborts, which libFuzzer
// reports as a crash and saves the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts with the source line and `what` (a string literal) when `condition` is false.
#define FUZZ_CHECK(condition, what)                                                        \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", __FILE__, __LINE__, what, \
                   #condition);                                                            \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
