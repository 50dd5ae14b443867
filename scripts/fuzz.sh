#!/usr/bin/env bash
# Runs the fuzz targets for a short fixed time each under AddressSanitizer and
# UndefinedBehaviorSanitizer: the general drawing-engine one on a copy of the committed corpus,
# the test drawings and the large inputs that are generated rather than committed; the DWG one
# on copies of the DWG sample drawings (read from their shared folder, never committed); then
# the INI settings reader, the registry file reader, the board-file reader and the unit-text
# parser, each on its seeds in fuzz/seeds. Exits non-zero on a crash, leak or broken round
# trip; the failing inputs are kept in build-fuzz/crashes.
# Usage: scripts/fuzz.sh [seconds [dwg-seconds [seconds-each]]]   (defaults 60, 30 and 15)
# The DWG samples folder: $DXFI_DWG_SAMPLES, else shared/dwg-samples beside the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
dwg_seconds="${2:-30}"
each="${3:-15}"
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
targets=(engine_load_fuzzer dwg_load_fuzzer ini_settings_fuzzer registry_file_fuzzer
  board_file_fuzzer unit_text_fuzzer)
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DDXFI_WERROR=ON -DDXFI_FUZZ=ON \
  -DDXFI_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() { # name, seconds, corpus folder, libFuzzer options...
  local name=$1 time=$2 corpus=$3 status=0
  shift 3
  mkdir -p "$work/artifacts-$name"
  echo "Fuzzing $name for ${time}s"
  "$build/bin/$name" "$corpus" -max_total_time="$time" -rss_limit_mb=2048 \
    -artifact_prefix="$work/artifacts-$name/" -print_final_stats=1 "$@" \
    >"$work/log-$name" 2>&1 || status=$?
  tail -n 20 "$work/log-$name"
  if ((status != 0)); then
    mkdir -p "$build/crashes"
    cp "$work/artifacts-$name/"* "$build/crashes/" 2>/dev/null || true
    echo "fuzz target $name failed (exit $status); inputs kept in $build/crashes" >&2
    exit "$status"
  fi
}

mkdir -p "$work/corpus" "$work/dwg"
cp fuzz/corpus/* "$work/corpus/"
cp tests/data/*.dxf "$work/corpus/"
python3 fuzz/make_corpus.py "$work/corpus" --large >/dev/null
run_target engine_load_fuzzer "$seconds" "$work/corpus" -timeout=20 -max_len=4000000
cp "$samples"/*.dwg "$work/dwg/"
run_target dwg_load_fuzzer "$dwg_seconds" "$work/dwg" -timeout=20 -max_len=4000000

for pair in ini_settings_fuzzer:ini registry_file_fuzzer:registry board_file_fuzzer:board \
  unit_text_fuzzer:units; do
  name=${pair%%:*} seeds=${pair##*:}
  mkdir -p "$work/$seeds"
  cp fuzz/seeds/"$seeds"/* "$work/$seeds/"
  run_target "$name" "$each" "$work/$seeds" -timeout=10 -max_len=65536
done
