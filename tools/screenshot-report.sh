#!/bin/sh
# SPDX-License-Identifier: MIT
# Renders an HTML report with headless Chromium (Debian's "chromium" package) and saves a PNG.
# Usage: tools/screenshot-report.sh REPORT.html OUT.png [WIDTH,HEIGHT]
# Nothing is fetched: the browser runs with a fresh profile, no background networking and no
# component updates, and the report itself forbids every external resource.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 REPORT.html OUT.png [WIDTH,HEIGHT]" >&2
  exit 2
fi
report=$1
png=$2
size=${3:-1200,1600}

if [ ! -f "$report" ]; then
  echo "$0: $report does not exist; produce the report first." >&2
  exit 1
fi
browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
  echo "$0: chromium is not installed; install it with: scripts/setup-deps.sh --tools" >&2
  exit 1
fi

profile=$(mktemp -d "${TMPDIR:-/tmp}/report-shot-XXXXXX")
trap 'rm -rf "$profile"' EXIT INT TERM

case $report in
  /*) url="file://$report" ;;
  *) url="file://$(pwd)/$report" ;;
esac
case $png in
  /*) ;;
  *) png="$(pwd)/$png" ;;
esac
mkdir -p "$(dirname "$png")"

"$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --hide-scrollbars --user-data-dir="$profile" --screenshot="$png" --window-size="$size" \
  "$url" >/dev/null 2>&1 || true

if [ ! -s "$png" ]; then
  echo "$0: chromium produced no screenshot of $report." >&2
  exit 1
fi
echo "$png"
