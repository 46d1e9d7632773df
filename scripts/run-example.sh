#!/usr/bin/env bash
# Installs what is missing, builds the console program Sorvi and simulates the example lecture
# room in a scratch folder, out/example-run/ (the project and every result file land there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVI_GUI=ON >/dev/null
cmake --build build -j "$(nproc)" --target Sorvi

run=out/example-run
rm -rf "$run"
mkdir -p "$run"
cp examples/lecture_room.txt "$run/"
(cd "$run" && ../../build/Sorvi lecture_room.txt)

echo
echo "Results of the example run are in $(pwd)/$run:"
echo "  S###-R###.txt (responses), PARAMS-S###-R###.txt (T30, EDT, C80, D50, ... per band),"
echo "  S###-R###-IR.wav (responses as sound), S###-R###.wav and SALL-R###.wav (auralizations),"
echo "  SIM-INFO.txt (room summary), RAYS-*.txt (stored rays), LostRays.txt."
echo "Look at the model with: build/Sorvi -view $run/lecture_room.txt"
