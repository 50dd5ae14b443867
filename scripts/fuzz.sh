#!/usr/bin/env bash
# Runs the drawing-engine fuzz target for a short fixed time under AddressSanitizer and
# UndefinedBehaviorSanitizer, on a copy of the committed corpus, the test drawings and the large
# inputs that are generated rather than committed. Exits non-zero on a crash or leak.
# Usage: scripts/fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DDXFI_WERROR=ON -DDXFI_FUZZ=ON \
  -DDXFI_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target engine_load_fuzzer -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
cp fuzz/corpus/* "$work/corpus/"
cp tests/data/*.dxf "$work/corpus/"
python3 fuzz/make_corpus.py "$work/corpus" --large >/dev/null

echo "Fuzzing the drawing engine for ${seconds}s"
status=0
"$build/bin/engine_load_fuzzer" "$work/corpus" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=4000000 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 >"$work/log" 2>&1 || status=$?
tail -n 40 "$work/log"
if ((status != 0)); then
  mkdir -p "$build/crashes"
  cp "$work/artifacts/"* "$build/crashes/" 2>/dev/null || true
  echo "fuzz target failed (exit $status); inputs kept in $build/crashes" >&2
  exit "$status"
fi
