#!/usr/bin/env bash
# Generates the benchmark drawings if missing (bench/data, never committed), builds the
# benchmark in a Release build (build-bench) and prints its table.
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

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXFI_BENCH=ON >/dev/null
cmake --build build-bench --target engine_bench -j "$(nproc)"
build-bench/bin/engine_bench "${files[@]}"
