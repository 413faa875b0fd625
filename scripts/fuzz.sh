#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`, clang) and runs each for SECONDS (default 60), two
# at a time, from its committed seed corpus. Fails when a target crashes, leaks, hangs or
# trips a sanitizer; the input that did it is left in build/fuzz/artifacts/. New inputs the
# fuzzers find go to build/fuzz/corpus/, never into the committed seeds.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(values tsql parameters layout)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p build/fuzz/artifacts build/fuzz/logs

run() {
  local target="$1"
  local corpus="build/fuzz/corpus/$target"
  local options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="build/fuzz/artifacts/$target-")
  [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
  mkdir -p "$corpus"
  if "build/fuzz/fuzz/${target}_fuzzer" "${options[@]}" "$corpus" "fuzz/corpus/$target" \
    >"build/fuzz/logs/$target.log" 2>&1; then
    echo "fuzz $target: clean, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
      "build/fuzz/logs/$target.log" | grep -o '[0-9]*$') runs in ${seconds}s"
  else
    echo "fuzz $target: FAILED (build/fuzz/logs/$target.log)"
    tail -n 40 "build/fuzz/logs/$target.log"
    return 1
  fi
}

status=0
pids=()
for target in "${targets[@]}"; do
  if ((${#pids[@]} == 2)); then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
  run "$target" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit "$status"
