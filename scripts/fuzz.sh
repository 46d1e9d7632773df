#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   scripts/fuzz.sh [seconds]   explores for a bounded time per target (default 20)
#   scripts/fuzz.sh --ci        replays the seed inputs, then a fixed number of runs from a fixed
#                               random seed: the same inputs on every run, so a finding is
#                               reproducible and a pass does not depend on luck or machine speed
set -euo pipefail
cd "$(dirname "$0")/.."
mode=explore
secs=20
case "${1:-}" in
  --ci) mode=ci ;;
  "") ;;
  *) secs=$1 ;;
esac
command -v clang++ >/dev/null || { echo "clang++ not found: fuzzing skipped"; exit 0; }
ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "no fuzz targets"; exit 0; }
# Line tables (-g1) are all a finding's stack trace needs. Sources in batches (a unity build) and
# Ninja where installed, as scripts/test.sh builds.
generator=()
[ ! -f build-fuzz/CMakeCache.txt ] && command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B build-fuzz "${generator[@]}" -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  -DSORVI_FUZZ=ON -DSORVI_BENCH=OFF -DSORVI_GUI=OFF >/dev/null
# Runs per target in CI: the file readers that parse text and build rooms are far slower per input.
declare -A ci_runs=([fuzz_project]=5000 [fuzz_dxf]=5000 [fuzz_desktop_dxf_import]=5000)
# Runs a fuzzer with its output in a log; prints `summary` lines of the log when it passes and
# the whole report (the crash, the sanitizer's stack, the input's name) when it fails.
#   run_fuzzer SUMMARY-COMMAND fuzzer args...
run_fuzzer() {
  local summary=$1; shift
  local log status=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "!! $(basename "$1") failed with status $status:"
    cat "$log"
    rm -f "$log"
    return "$status"
  fi
  eval "$summary" <"$log"
  rm -f "$log"
}
targets=()
for src in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
# A target's seed inputs: its folder under tests/fuzz/seeds; the DXF readers also start from the
# drawings the room tests read (tests/room/dxf), kept there once.
seed_files() {
  local dir=tests/fuzz/seeds/${1#fuzz_}
  case "$1" in
    fuzz_dxf | fuzz_desktop_dxf_import) ls -d tests/fuzz/seeds/dxf/* tests/room/dxf/*.dxf ;;
    *) if [ -d "$dir" ]; then ls -d "$dir"/*; fi ;;
  esac
}
for name in "${targets[@]}"; do
  exe=build-fuzz/tests/$name
  seeds=()
  mapfile -t seeds < <(seed_files "$name")
  if [ "$mode" = ci ]; then
    if ((${#seeds[@]})); then
      echo "== $name: seed inputs"
      run_fuzzer "grep -c '^Executed' | sed 's/\$/ inputs replayed/'" "$exe" -rss_limit_mb=2048 "${seeds[@]}"
    fi
    # A fresh corpus each time, started from the seeds, so that earlier runs do not change what
    # this one tries.
    corpus=$(mktemp -d)
    ((${#seeds[@]})) && cp "${seeds[@]}" "$corpus"/
    dirs=("$corpus")
    runs=${ci_runs[$name]:-50000}
    echo "== $name: $runs runs from seed 1"
    run_fuzzer "tail -n 3" "$exe" -seed=1 -runs="$runs" -rss_limit_mb=2048 -print_final_stats=0 "${dirs[@]}"
    rm -rf "$corpus"
  else
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    ((${#seeds[@]})) && cp -n "${seeds[@]}" "$corpus"/
    dirs=("$corpus")
    echo "== $name for ${secs}s"
    (cd build-fuzz && run_fuzzer "tail -n 3" "../$exe" -max_total_time="$secs" -rss_limit_mb=2048 -print_final_stats=0 "${dirs[@]/#/../}")
  fi
done
