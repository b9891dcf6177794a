#include "support/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace zelmo::fuzz {

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "\nInvariant broken at %s:%d: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace zelmo::fuzz
