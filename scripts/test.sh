#!/usr/bin/env bash
# Sets up, builds and runs every ZelmoBot test.
#   scripts/test.sh                     the whole suite
#   scripts/test.sh --sanitize address  under AddressSanitizer and UBSan
#   scripts/test.sh --sanitize thread   under ThreadSanitizer
# Under a sanitizer every test runs but the units of code that runs on one
# thread alone (ctest label "unit", see tests/CMakeLists.txt; the fuzz
# targets take that code through the address and undefined-behaviour checks;
# the script engine's units, label "engine", run there too)
# and the layer checks, which only run the compiler (label "layers").
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
selection=()
# Failures, the sanitizers' reports and profiles need file and line, not the
# variables: line tables (-g1) compile in about half the time of full debug
# information.
optimized_with_lines=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
case "$sanitize" in
  "") options+=(-DZELMO_BUILD_BENCH=ON "${optimized_with_lines[@]}") ;;
  address) build=build-asan; options+=(-DZELMO_SANITIZE="address;undefined" -DCMAKE_BUILD_TYPE=Debug
    -DCMAKE_CXX_FLAGS_DEBUG=-g1) ;;
  thread) build=build-tsan; options+=(-DZELMO_SANITIZE=thread "${optimized_with_lines[@]}") ;;
  *) echo "unknown sanitizer: $sanitize" >&2; exit 2 ;;
esac
if [ -n "$sanitize" ]; then selection=(-LE '^(unit|layers)$'); fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -G Ninja -S . -B "$build" "${options[@]}"
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
# Most tests spend their time waiting on sockets, timers and the bot's own
# time limits, so several times as many run at once as there are cores; the
# few that keep a core busy hold the resource "cpu" and take turns
# (tests/CMakeLists.txt).
ctest --test-dir "$build" --output-on-failure -j $((jobs * 4)) --timeout 900 "${selection[@]}"
