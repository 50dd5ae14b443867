#!/usr/bin/env bash
# Generates the benchmark drawings if missing (bench/data, never committed), builds the
# benchmark in a Release build (build-bench) and prints its table.
# Then the DWG sample drawings, read in place from $DXFI_DWG_SAMPLES or shared/dwg-samples
# beside the checkout (skipped with a note when that folder is missing).
# Usage: bench/run.sh [entity counts...]   (default: 100000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."

counts=("$@")
if ((${#counts[@]} == 0)); then counts=(100000 1000000); fi
mkdir -p bench/data
files=()
for n in "${counts[@]}"; do
  file="bench/data/bench_${n}.dxf"
  if [[ ! -s "$file" ]]; then
    echo "Generating $file"
    python3 bench/gen_drawing.py "$n" "$file.tmp" && mv "$file.tmp" "$file"
  fi
  files+=("$file")
done

samples="${DXFI_DWG_SAMPLES:-}"
if [[ -z "$samples" ]]; then
  for candidate in ../shared/dwg-samples ../../shared/dwg-samples; do
    if [[ -d "$candidate" ]]; then samples=$candidate; break; fi
  done
fi
if [[ -n "$samples" && -d "$samples" ]]; then
  for name in example_2000 example_2004 example_2007 example_2010 example_2013 example_2018 \
              sample_2018 r2000_entities-2d r2007_Text r2010_gh209_1 r2013_gh44-error; do
    files+=("$samples/$name.dwg")
  done
else
  echo "DWG samples folder not found (set DXFI_DWG_SAMPLES): DWG figures skipped" >&2
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXFI_BENCH=ON >/dev/null
cmake --build build-bench --target engine_bench -j "$(nproc)"
build-bench/bin/engine_bench "${files[@]}"
