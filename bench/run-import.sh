#!/usr/bin/env bash
# Whole imports through pcbhost, as a user runs them: the generated benchmark drawings (bench/data,
# made if missing) imported into new boards with a Release build (build-bench), the board saved.
# Prints entities per second, the time of each phase of the run (the plug-in prints them with
# DXFI_IMPORT_TIMING=1), the rest (process start, plug-in and engine library load, board save)
# and the peak memory (/usr/bin/time), then the time ratio between the largest and the smallest
# drawing against their size ratio.
#
# The imports run in batch mode with --no rather than in test mode, at 1 mil per drawing unit
# (--answer units=1mil; the drawings declare millimetres, at which most of them would lie
# beyond the board): test mode takes no answers, and its warning boxes end the host before the
# board is saved. tests/e2e/BenchmarkBoardTest.cpp imports the same way and checks the boards.
#
# Usage: bench/run-import.sh [entity counts...]   (default: 100000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

counts=("$@")
if ((${#counts[@]} == 0)); then counts=(100000 1000000); fi
mkdir -p bench/data
for n in "${counts[@]}"; do
  file="bench/data/bench_${n}.dxf"
  if [[ ! -s "$file" ]]; then
    echo "Generating $file"
    python3 bench/gen_drawing.py "$n" "$file.tmp" && mv "$file.tmp" "$file"
  fi
done

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXFI_BENCH=ON >/dev/null
cmake --build build-bench --target pcbhost dxfimport -j "$(nproc)" >/dev/null

scratch=$(mktemp -d /tmp/dxfi-import-bench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

printf '%10s %10s %9s %12s %7s %7s %7s %9s %7s %8s\n' entities objects "wall s" "entities/s" \
  load walk place "rest/save" "user s" "peak MB"
first_n="" first_wall=""
for n in "${counts[@]}"; do
  run="$scratch/$n"
  mkdir -p "$run/cfg" "$run/tmp"
  (
    cd "$run"
    env -u DISPLAY -u WAYLAND_DISPLAY -u DXFI_MACHINE_HIVE XDG_CONFIG_HOME="$run/cfg" \
      DXFI_USER_HIVE="$run/cfg/user.reg" TMPDIR="$run/tmp" DXFI_IMPORT_TIMING=1 \
      /usr/bin/time -f 'bench time: %e %M %U' -o "$run/time.txt" \
      "$root/build-bench/bin/pcbhost" import "$root/bench/data/bench_${n}.dxf" --no \
      --answer units=1mil -o "$run/board.json" >"$run/out.txt" 2>"$run/err.txt" </dev/null
  ) || { echo "import of $n entities failed:"; tail -5 "$run/err.txt"; exit 1; }
  read -r wall peak user < <(sed -n 's/^bench time: //p' "$run/time.txt")
  phase() { awk -v p="$1" '$1 == "import" && $2 == "timing:" && $3 == p { s += $4 } END { printf "%.3f", s + 0 }' "$run/err.txt"; }
  load=$(phase load)
  walk=$(phase walk)
  place=$(awk -v a="$(phase placement)" -v b="$(phase second_move)" 'BEGIN { printf "%.3f", a + b }')
  phases=$(awk '$1 == "import" && $2 == "timing:" { s += $4 } END { printf "%.3f", s + 0 }' "$run/err.txt")
  rest=$(awk -v w="$wall" -v p="$phases" 'BEGIN { printf "%.3f", w - p }')
  objects=$(sed -n 's/^Board saved to .* (\([0-9]*\) objects.*/\1/p' "$run/err.txt")
  rate=$(awk -v n="$n" -v w="$wall" 'BEGIN { printf "%.0f", (w > 0) ? n / w : 0 }')
  printf '%10s %10s %9s %12s %7s %7s %7s %9s %7s %8s\n' "$n" "$objects" "$wall" "$rate" "$load" \
    "$walk" "$place" "$rest" "$user" "$((peak / 1024))"
  if [[ -z "$first_n" ]]; then first_n=$n first_wall=$wall; fi
  rm -f "$run/board.json"
  last_n=$n last_wall=$wall
done
if [[ "$last_n" != "$first_n" ]]; then
  awk -v a="$first_n" -v b="$last_n" -v ta="$first_wall" -v tb="$last_wall" \
    'BEGIN { printf "time ratio %.2f for %.0fx the entities (linear: at most %.1f)\n", tb / ta, b / a, 1.1 * b / a }'
fi
