#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
command -v clang++ >/dev/null || { echo "clang++ not found: fuzzing skipped"; exit 0; }
ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "no fuzz targets"; exit 0; }
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSORVI_FUZZ=ON -DSORVI_BENCH=OFF -DSORVI_GUI=OFF >/dev/null
for src in tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  cmake --build build-fuzz -j "$(nproc)" --target "$name"
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  echo "== $name for ${secs}s"
  (cd build-fuzz && "./tests/$name" -max_total_time="$secs" -rss_limit_mb=2048 -print_final_stats=0 "${dirs[@]/#/../}" 2>&1 | tail -n 3)
done
