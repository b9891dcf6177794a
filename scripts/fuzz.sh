#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang in build-fuzz and runs
# each one for a bounded time, starting from its seed corpus.
#   scripts/fuzz.sh [seconds]   seconds per target, 30 by default
# (two targets run at a time, so the twenty-four targets take about six
# minutes in all)
# Fails when any target crashes, leaks, breaks an invariant, hangs or trips a
# sanitizer; the failing input is kept in build-fuzz/fuzz-artifacts/<target>/
# and the target's log in build-fuzz/fuzz-logs/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
# Memory bounds of every target: a run whose resident memory passes
# rss_limit_mb, or that asks for a single block larger than malloc_limit_mb,
# fails, so a buffer that grows without bound with what a peer sends shows
# at once. With the sanitizers' own bookkeeping the targets peak near 320 MB.
rss_limit_mb=512
malloc_limit_mb=64
case "$seconds" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [seconds]" >&2; exit 2 ;;
esac

scripts/setup.sh

build=build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)
# Line tables (-g1) are enough for a crash's stack.
cmake -G Ninja -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DZELMO_BUILD_FUZZ=ON \
  -DZELMO_BUILD_TESTS=OFF -DZELMO_WITH_QT=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMO_WERROR=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
cmake --build "$build" -j "$jobs" --target fuzz_all

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp"

targets=()
for source in tests/fuzz/*_fuzzer.cpp; do
  name=$(basename "$source" _fuzzer.cpp)
  targets+=("$name")
done

# The word lists (tests/fuzz/*.dict) a target's dictionary is made of: the
# targets that read server lines share the IRC words, and the whole bot
# reads commands too.
dictionaries_of() {
  case "$1" in
    irc_*) echo irc.dict ;;
    bot_session) echo irc.dict commands.dict ;;
    *) echo "$1.dict" ;;
  esac
}

# One target: the grown corpus lives in the build folder, so the seeds in
# the repository stay as they are.
run_target() {
  local name=$1
  local corpus="$build/fuzz-corpus/$name"
  local artifacts="$build/fuzz-artifacts/$name/"
  local log="$build/fuzz-logs/$name.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  local options=(-max_total_time="$seconds" -timeout=60 -rss_limit_mb="$rss_limit_mb"
    -malloc_limit_mb="$malloc_limit_mb" -max_len=8192
    -print_final_stats=1 -artifact_prefix="$artifacts")
  local dictionary="$build/fuzz-dicts/$name.dict"
  mkdir -p "$(dirname "$dictionary")"
  : >"$dictionary"
  for list in $(dictionaries_of "$name"); do
    if [ -f "tests/fuzz/$list" ]; then cat "tests/fuzz/$list" >>"$dictionary"; fi
  done
  if [ -s "$dictionary" ]; then options+=(-dict="$dictionary"); fi
  local seeds=()
  if [ -d "tests/fuzz/corpus/$name" ]; then seeds=("tests/fuzz/corpus/$name"); fi
  # The example scripts seed the script target as they stand.
  if [ "$name" = lua_source ]; then seeds+=(examples/scripts); fi
  if "$build/fuzz_$name" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    echo "fuzz_$name: ok ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" |
      grep -o '[0-9]*$' || echo '?') runs)"
  else
    echo "fuzz_$name: FAILED (log: $log)"
    tail -n 60 "$log"
    return 1
  fi
}

# As many targets at once as there are cores.
passed=0
failed=0
pids=()
collect() {
  local pid=$1
  if wait "$pid"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
for name in "${targets[@]}"; do
  if [ ${#pids[@]} -ge "$jobs" ]; then
    collect "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
  run_target "$name" &
  pids+=($!)
done
for pid in "${pids[@]}"; do collect "$pid"; done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
