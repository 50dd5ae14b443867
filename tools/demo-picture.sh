#!/usr/bin/env bash
# Makes the README's picture of the demo board: runs scripts/import-demo.sh and converts the
# board's SVG into a PNG (rsvg-convert, installed through scripts/setup-deps.sh --tools).
# Usage: tools/demo-picture.sh [OUT.png [WIDTH]]   (default docs/demo_board.png, 640 pixels)
# Options for import-demo.sh (DXFI_BUILD_DIR, DXFI_DEMO_OUT) pass through the environment.
set -euo pipefail
cd "$(dirname "$0")/.."

png=${1:-docs/demo_board.png}
width=${2:-640}
scripts/setup-deps.sh --tools
scripts/import-demo.sh
svg=${DXFI_DEMO_OUT:-out}/demo_board_R2000.svg
mkdir -p "$(dirname "$png")"
rsvg-convert --width "$width" --output "$png" "$svg" ||
  { echo "demo-picture: rsvg-convert could not convert $svg into $png." >&2; exit 1; }
echo "$png"
