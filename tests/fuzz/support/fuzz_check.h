#pragma once

// Invariant checks for the fuzz targets. A broken invariant prints what
// failed and aborts, which libFuzzer reports as a crash and saves the input.

namespace zelmo::fuzz {

[[noreturn]] void Fail(const char* condition, const char* file, int line);

}  // namespace zelmo::fuzz

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) ::zelmo::fuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (false)
