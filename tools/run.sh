#!/usr/bin/env bash
# Installs what is missing, builds, and shows the bundled demo map: in the editor when a display
# is available, otherwise rendered to build/demo.png with zelk-cli and summarised with its info.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target zelk-cli zelk

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/src/app/zelk data/demo.zkm
fi

cli=build/src/cli/zelk-cli
"$cli" render data/demo.zkm -o build/demo.png --dpi 200
echo "No display: the demo map is drawn in $(pwd)/build/demo.png"
echo
"$cli" info data/demo.zkm
