#!/usr/bin/env bash
# Builds ZelmoBot with its benchmarks (RelWithDebInfo) and runs them all:
# the end-to-end workloads against the real headless bot and the floor
# client (three runs each, interleaved; the network-sized workload among
# them), the Qt window burst offscreen, and
# the micro-benchmarks of the hot paths.
#   scripts/bench.sh [--build-dir DIR] [--runs N] [--quick]
# --quick runs smaller workloads, to check that everything works.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
runs=3
e2e_sizes=()
micro_time=()
memory_lines=1000000
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --quick) e2e_sizes=(--chatter 20000 --pings 50 --joins 500 --channels 20 --churn 2000); micro_time=(--benchmark_min_time=0.05); memory_lines=100000; shift ;;
    *) echo "usage: scripts/bench.sh [--build-dir DIR] [--runs N] [--quick]" >&2; exit 2 ;;
  esac
done

scripts/setup.sh

cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMO_BUILD_BENCH=ON \
  -DZELMO_BUILD_TESTS=ON -DZELMO_WERROR=ON >/dev/null
# Two jobs: the machine may be shared.
cmake --build "$build" -j 2 --target zelmobot zelmo_e2e_bench zelmo_micro_bench
qt_bench=""
if cmake --build "$build" -j 2 --target zelmo_qt_bench zelmo_qt_memory_bench >/dev/null 2>&1; then
  qt_bench="$build/zelmo_qt_bench"
fi

echo "== Machine"
echo "cores: $(nproc)"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "kernel: $(uname -sr)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

status=0
echo
echo "== End to end: headless bot and floor client, $runs runs each, interleaved"
"$build/zelmo_e2e_bench" --bot "$build/zelmobot" --runs "$runs" "${e2e_sizes[@]}" || status=1

if [ -n "$qt_bench" ]; then
  echo
  echo "== Qt window: a burst of 5,000 display lines, offscreen"
  QT_QPA_PLATFORM=offscreen "$qt_bench" --runs "$runs" 2>/dev/null || status=1
  echo
  echo "== Qt window: memory after $memory_lines display lines, offscreen"
  QT_QPA_PLATFORM=offscreen "$build/zelmo_qt_memory_bench" --lines "$memory_lines" 2>/dev/null ||
    status=1
else
  echo
  echo "== Qt window: not built (Qt 6 Widgets missing)"
fi

echo
echo "== Micro-benchmarks"
# The median of the repetitions for each benchmark.
"$build/zelmo_micro_bench" --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
  "${micro_time[@]}" 2>/dev/null | grep -E '^(Benchmark|-+$|BM_.*_median)' || status=1

echo
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
