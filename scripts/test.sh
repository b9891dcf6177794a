#!/usr/bin/env bash
# Sets up, builds and runs every ZelmoBot test.
#   scripts/test.sh                     the whole suite
#   scripts/test.sh --sanitize address  the suite under AddressSanitizer and UBSan
#   scripts/test.sh --sanitize thread   the suite under ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize="$2"; shift 2 ;;
    --sanitize=*) sanitize="${1#*=}"; shift ;;
    *) echo "usage: scripts/test.sh [--sanitize address|thread]" >&2; exit 2 ;;
  esac
done

# The tests also start an InspIRCd with Atheme services for SASL logins.
scripts/setup.sh inspircd atheme-services

build=build
options=(-DZELMO_WERROR=ON)
case "$sanitize" in
  "") options+=(-DZELMO_BUILD_BENCH=ON) ;;
  address) build=build-asan; options+=(-DZELMO_SANITIZE="address;undefined" -DCMAKE_BUILD_TYPE=Debug) ;;
  thread) build=build-tsan; options+=(-DZELMO_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  *) echo "unknown sanitizer: $sanitize" >&2; exit 2 ;;
esac

jobs=$(nproc 2>/dev/null || echo 2)
cmake -G Ninja -S . -B "$build" "${options[@]}"
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 900
