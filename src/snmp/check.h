// check.h: CFGSNAP_CHECK, the assertion for the codec's internal rules.
//
// A failed check is a programming error, never a reaction to input: bad input
// is reported through return values. The check stays on in every build so
// that a broken rule stops the program instead of corrupting memory.
#pragma once

#include <cstdio>
#include <cstdlib>

#define CFGSNAP_CHECK(condition)                                                         \
  do {                                                                                   \
    if (!(condition)) [[unlikely]] {                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
