#!/usr/bin/env bash
# Sets everything up, then builds and runs the tests twice: a plain debug build and one under
# AddressSanitizer + UBSan; then a minute of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in dev asan; do
  echo "== $preset build =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done

echo "== fuzz =="
scripts/fuzz.sh 60
