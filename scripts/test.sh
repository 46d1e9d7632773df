#!/usr/bin/env bash
# Installs what is missing, builds Sorvi with its tests and runs the whole test suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   address + undefined-behaviour sanitizers in build-asan/
#   scripts/test.sh --tsan       thread sanitizer, without the GUI, in build-tsan/
#   scripts/test.sh --release    optimised build with warnings as errors in build-release/
#   scripts/test.sh --werror     the normal build (optimised too) with warnings as errors, in
#                                build/: what CI runs, one build for the suite and the warnings
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

mode=${1:-}
build=build
# Debug information as line tables only (-g1): all that sanitizer reports and stack traces need,
# and the build takes about a third less time than with full debug information.
lines=-g1
optimised=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 $lines -DNDEBUG"
           "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 $lines -DNDEBUG")
flags=("${optimised[@]}" -DSORVI_WERROR=OFF)
case "$mode" in
  "") ;;
  --werror) flags=("${optimised[@]}" -DSORVI_WERROR=ON) ;;
  --sanitize) build=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=$lines" "-DCMAKE_C_FLAGS_DEBUG=$lines"
                                      -DSORVI_SANITIZE=ON -DSORVI_BENCH=OFF) ;;
  --tsan) build=build-tsan; flags=("${optimised[@]}" -DSORVI_TSAN=ON -DSORVI_BENCH=OFF -DSORVI_GUI=OFF) ;;
  --release) build=build-release; flags=(-DCMAKE_BUILD_TYPE=Release -DSORVI_WERROR=ON) ;;
  *) echo "usage: scripts/test.sh [--werror|--sanitize|--tsan|--release]" >&2; exit 2 ;;
esac
# Source files compiled in batches (a unity build): the headers a batch shares are parsed once
# for it instead of once per file.
unity=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8)
# Ninja where it is installed (a new build folder only: an existing one keeps its generator); it
# starts a program's objects before the libraries it links are done.
generator=()
[ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null && generator=(-G Ninja)
jobs=$(nproc)
skip=()
# Under the thread sanitizer the whole-room decay tests take minutes; the same tracer and
# response code runs threaded in the other tests there, and these run in the other builds.
[ "$mode" = --tsan ] && skip=(-E '^(ScatteredShoebox|CalibratedResponses)$')
cmake -S . -B "$build" "${generator[@]}" "${flags[@]}" "${unity[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# The window system's libraries keep caches until the process ends: not our leaks.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/support/gui/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
# The GUI test programs start X servers of their own; the console viewer's test needs a display:
# give it a virtual one when none is there.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$build" --output-on-failure -j "$jobs" "${skip[@]}"
fi
ctest --test-dir "$build" --output-on-failure -j "$jobs" "${skip[@]}"
