#!/usr/bin/env bash
# Builds ZelmoBot the way users and packagers do (CMAKE_BUILD_TYPE=Release),
# with warnings as errors: the program and its modules (window, TLS, line
# editor, scripts), which the packages hold. The test suite is built, with
# the same warnings as errors, and run by scripts/test.sh; it is left out
# here, where nothing would run it.
#   scripts/build-release.sh            with the default compiler, in build-release
#   scripts/build-release.sh clang++    with that compiler, in build-release-clang
set -euo pipefail
cd "$(dirname "$0")/.."

compiler="${1:-}"
case "$compiler" in
  -*) echo "usage: scripts/build-release.sh [compiler]" >&2; exit 2 ;;
esac

scripts/setup.sh

build=build-release
options=(-DCMAKE_BUILD_TYPE=Release -DZELMO_WERROR=ON -DZELMO_BUILD_TESTS=OFF)
if [ -n "$compiler" ]; then
  name=$(basename "$compiler")
  build="build-release-${name%++}"
  options+=(-DCMAKE_CXX_COMPILER="$compiler")
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -G Ninja -S . -B "$build" "${options[@]}"
cmake --build "$build" -j "$jobs"
