#!/usr/bin/env bash
# Runs the drawing-engine fuzz targets for a short fixed time under AddressSanitizer and
# UndefinedBehaviorSanitizer: the general one on a copy of the committed corpus, the test
# drawings and the large inputs that are generated rather than committed; the DWG one on copies
# of the DWG sample drawings (read from their shared folder, never committed). Exits non-zero on
# a crash or leak.
# Usage: scripts/fuzz.sh [seconds [dwg-seconds]]   (defaults 60 and 30)
# The DWG samples folder: $DXFI_DWG_SAMPLES, else shared/dwg-samples beside the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
dwg_seconds="${2:-30}"
samples="${DXFI_DWG_SAMPLES:-}"
if [[ -z "$samples" ]]; then
  for candidate in ../shared/dwg-samples ../../shared/dwg-samples; do
    if [[ -d "$candidate" ]]; then samples=$candidate; break; fi
  done
fi
if [[ -z "$samples" || ! -d "$samples" ]]; then
  echo "the DWG samples folder is missing (set DXFI_DWG_SAMPLES): the DWG fuzz target needs its seeds" >&2
  exit 1
fi
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DDXFI_WERROR=ON -DDXFI_FUZZ=ON \
  -DDXFI_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target engine_load_fuzzer dwg_load_fuzzer -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
cp fuzz/corpus/* "$work/corpus/"
cp tests/data/*.dxf "$work/corpus/"
python3 fuzz/make_corpus.py "$work/corpus" --large >/dev/null

run_target() { # name, seconds, corpus folder
  local name=$1 time=$2 corpus=$3 status=0
  echo "Fuzzing $name for ${time}s"
  "$build/bin/$name" "$corpus" \
    -max_total_time="$time" -timeout=20 -rss_limit_mb=2048 -max_len=4000000 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 >"$work/log" 2>&1 || status=$?
  tail -n 40 "$work/log"
  if ((status != 0)); then
    mkdir -p "$build/crashes"
    cp "$work/artifacts/"* "$build/crashes/" 2>/dev/null || true
    echo "fuzz target $name failed (exit $status); inputs kept in $build/crashes" >&2
    exit "$status"
  fi
}

run_target engine_load_fuzzer "$seconds" "$work/corpus"
mkdir -p "$work/dwg"
cp "$samples"/*.dwg "$work/dwg/"
run_target dwg_load_fuzzer "$dwg_seconds" "$work/dwg"
