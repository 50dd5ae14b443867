#!/bin/sh
# SPDX-License-Identifier: MIT
# Saves a PNG of the import options dialog filled from a real drawing, drawn by Qt's offscreen
# platform (no display needed), so that its layout can be checked by eye; beside it OUT-menu.png
# shows the layer popup menu with two recent layers.
# Usage: tools/screenshot-dialog.sh [DRAWING.dxf] [OUT.png] [BUILD_DIR]
# Defaults: tests/data/manylayers_R2000.dxf, options-dialog.png, build/.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
drawing=${1:-$root/tests/data/manylayers_R2000.dxf}
png=${2:-options-dialog.png}
build=${3:-$root/build}

if [ ! -f "$drawing" ]; then
  echo "$0: $drawing does not exist; name a DXF drawing." >&2
  exit 1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target options_dialog_screenshot >/dev/null
mkdir -p "$(dirname "$png")"

QT_QPA_PLATFORM=offscreen "$build/bin/options_dialog_screenshot" "$drawing" "$png"
if [ ! -s "$png" ]; then
  echo "$0: no picture was saved to $png." >&2
  exit 1
fi
echo "$png"
