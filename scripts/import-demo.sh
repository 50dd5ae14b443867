#!/usr/bin/env bash
# Imports a drawing into a new board with the reference host and the import plug-in, prints
# what is on the board and says where the board and its SVG picture are. Installs what is
# missing, configures and builds (Release, in build/) first.
#
# Usage: scripts/import-demo.sh [--no-build] [DRAWING [PCBHOST IMPORT OPTIONS...]]
#   Without DRAWING: tests/data/demo_board_R2000.dxf, an 80 x 50 mm board drawn in millimetres,
#   imported at 1 mm per drawing unit with its layers mapped to PCB layers (outline to
#   Mechanical Layer 1, mounting holes to pads on the Multi Layer, title and parts to the
#   Top Overlay, notes not imported) and its connector blocks kept as components.
#   With DRAWING: that drawing with the default options and any options given after it (for
#   example --answer units=1mm).
#   --no-build  use what the build folder holds; install and build nothing.
# DXFI_BUILD_DIR chooses another build folder (default build); DXFI_DEMO_OUT the folder for the
# board, its picture and the demo's own saved import options (default out).
# Exit status: 0 done; otherwise the failing step's, with a line that says what failed.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "import-demo: $*" >&2
  exit 1
}

build_it=1
if [[ ${1:-} == --no-build ]]; then
  build_it=0
  shift
fi

if (($# == 0)); then
  drawing=tests/data/demo_board_R2000.dxf
  options=(--answer units=1mm --answer linewidth=0.2mm --answer blocks=components
           --answer "layer:OUTLINE=Mechanical Layer 1" --answer "layer:HOLES=Multi Layer"
           --answer "condition:HOLES=All" --answer "layer:SILK=Top Overlay"
           --answer "layer:PARTS=Top Overlay" --answer "layer:NOTES=Not Imported")
else
  drawing=$1
  shift
  options=("$@")
fi
if [[ ! -f "$drawing" ]]; then
  echo "import-demo: the drawing $drawing does not exist; name an existing .dxf file." >&2
  exit 2
fi

build=${DXFI_BUILD_DIR:-build}
out=${DXFI_DEMO_OUT:-out}
host=$build/bin/pcbhost
plugin=$build/bin/libdxfimport.so

if ((build_it)); then
  scripts/setup-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null ||
    fail "configuring the build in $build failed; the lines above say why."
  # The whole list is read before searching it: grep -q would stop reading early, and under
  # pipefail the writer's broken pipe would count as "no such target".
  targets=$(ninja -C "$build" -t targets all) ||
    fail "cannot list the targets of the build in $build; the lines above say why."
  for target in dxfimport pcbhost pad2; do
    grep -q "^$target:" <<<"$targets" ||
      fail "the build in $build has no target $target; configure it from this source tree" \
           "(remove $build and run this script again)."
  done
  cmake --build "$build" --target pcbhost dxfimport pad2 -j "$(nproc)" ||
    fail "building the import plug-in (dxfimport), its drawing engine (pad2) and pcbhost" \
         "in $build failed; the compiler's messages above say why."
fi
[[ -x "$host" ]] || fail "$host is missing; build it (run this script without --no-build)."
[[ -f "$plugin" ]] ||
  fail "the import plug-in $plugin is missing; build it (run this script without --no-build)."

mkdir -p "$out"
name=$(basename "${drawing%.*}")
board="$out/$name.board.json"
svg="$out/$name.svg"
# The demo keeps its import options in its own settings file, so it neither reads nor changes
# the options of the user's own imports.
status=0
DXFI_USER_HIVE="$out/demo-settings.reg" \
  "$host" import "$drawing" --plugin "$plugin" -o "$board" --svg "$svg" --no "${options[@]}" ||
  status=$?
case $status in
  0) ;;
  3) fail "pcbhost could not load or run the import plug-in $plugin, or could not read or" \
          "write a file (exit code 3); its message above says which and why." ;;
  4) fail "the import plug-in did not import $drawing (exit code 4); its message above says" \
          "why." ;;
  *) fail "pcbhost import ended with exit code $status; its message above says why." ;;
esac

echo
"$host" info "$board"
echo
echo "Board: $(realpath "$board")"
echo "SVG:   $(realpath "$svg")"
