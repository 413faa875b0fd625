#!/usr/bin/env bash
# Builds the `bench` preset and runs every benchmark, printing a summary at the end. The demo
# databases (a month, a year, three years) are generated once and kept in build/bench/data.
#
#   scripts/bench.sh          about 15 minutes on 2 cores
#   scripts/bench.sh --full   adds the 100,000-row PDF and the detail report's memory over a
#                             day, a month and a year (another 10 minutes or more)
set -euo pipefail
cd "$(dirname "$0")/.."

full=false
[[ "${1:-}" == "--full" ]] && full=true

cmake --preset bench >/dev/null
cmake --build --preset bench -j2

bin=build/bench
data=build/bench/data
out=build/bench/results
mkdir -p "$data" "$out"

section() {
  echo
  echo "== $1 (load average $(cut -d' ' -f1-3 /proc/loadavg)) =="
}

{
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo |
    cut -d: -f2 | sed 's/^ *//'), $(free -g | awk '/Mem:/ {print $2}') GiB"

  section "embedded database"
  "$bin/bench/sqlite/sqlite_bench" --benchmark_format=console 2>&1 | grep -E '^(BM_|Benchmark|-)'

  section "PDF rendering"
  sizes=(1000 10000)
  $full && sizes+=(100000)
  "$bin/bench/engine/engine_render_bench" "$out" "${sizes[@]}"

  section "reports end to end and growth"
  "$bin/bench/report/report_bench" --data "$data"

  section "viewer under load: 16 clients, January 2024 on a month"
  "$bin/bench/load/orla_load_run" --program "$bin/cli/orla-vendas" \
    --db "$data/demo-2024-01-01-31d.db" \
    --from 01/01/2024 --to 31/01/2024 --clients 16 --requests 520 --hangups 8 || true

  if $full; then
    section "detail report memory"
    "$bin/bench/sqlite/detail_memory_bench" "$data/demo-2024-01-01-366d.db"
  fi
} 2>&1 | tee "$out/summary.txt"
echo
echo "Summary written to $out/summary.txt"
