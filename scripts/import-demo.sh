#!/usr/bin/env bash
# Imports a bundled drawing into a new board with the reference host and says where the board
# and its SVG picture are. Installs what is missing, configures and builds (Release, in build/).
# Usage: scripts/import-demo.sh [DRAWING]     (default: tests/data/insert_R2000.dxf)
# DXFI_BUILD_DIR chooses another build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."

drawing=${1:-tests/data/insert_R2000.dxf}
if [[ ! -f "$drawing" ]]; then
  echo "import-demo: the drawing $drawing does not exist; name an existing .dxf file." >&2
  exit 2
fi

build=${DXFI_BUILD_DIR:-build}
scripts/setup-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

# The import plug-in, or, while it is not part of the build yet, the stand-in plug-in of the
# host's tests (it places a few sample objects instead of converting the drawing).
if ninja -C "$build" -t targets all | grep -q '^dxfimport:'; then
  plugin_target=dxfimport
  plugin=$build/bin/libdxfimport.so
else
  plugin_target=pcbhost_testplugin
  plugin=$build/bin/libpcbhost_testplugin.so
  echo "import-demo: the import plug-in is not built yet; using the host's stand-in plug-in," >&2
  echo "             which places sample objects instead of the drawing's content." >&2
fi
cmake --build "$build" --target pcbhost "$plugin_target" -j "$(nproc)"

mkdir -p out
name=$(basename "${drawing%.*}")
board="out/$name.board.json"
svg="out/$name.svg"
"$build/bin/pcbhost" import "$drawing" --plugin "$plugin" -o "$board" --svg "$svg"

echo
echo "Board: $(realpath "$board")"
echo "SVG:   $(realpath "$svg")"
echo "What is on it: $build/bin/pcbhost info $board"
