#!/usr/bin/env bash
# Whole imports through pcbhost, as a user runs them: the generated benchmark drawings (bench/data,
# made if missing) imported into new boards with a Release build (build-bench), the board saved.
# For each drawing it prints every phase of the import call (the plug-in prints them with
# DXFI_IMPORT_TIMING=1: wall and process CPU seconds), the whole call, the rest of the run
# (process start, plug-in and engine library load, board save) and the peak memory
# (/usr/bin/time); each with its rate in entities per second and that rate against the two
# reference DXF readers (dxflib and dime, counting entities only, scripts/setup-deps.sh --bench
# installs them) reading the same drawing in the same run: "x dime" 2.0 means the phase gets
# through the drawing twice as fast as dime reads it. Rates and ratios use wall seconds, as the
# reference readers are timed; on a busy machine they mean little, and the CPU seconds are what
# compares between runs. Then the CPU time ratio of the import call between the largest and the
# smallest drawing against their size ratio.
#
# The imports run in batch mode with --no rather than in test mode, at 1 mil per drawing unit
# (--answer units=1mil; the drawings declare millimetres, at which most of them would lie
# beyond the board): test mode takes no answers, and its warning boxes end the host before the
# board is saved. tests/e2e/BenchmarkBoardTest.cpp imports the same way and checks the boards.
#
# Then the same drawings at 1 mm per drawing unit, where most of each lies beyond the board:
# every such entity becomes a line of the error report, and the report phase (building the
# report, transforming it into HTML and writing it) prints its wall and CPU seconds against the
# number of report lines.
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
cmake --build build-bench --target pcbhost dxfimport engine_bench -j "$(nproc)" >/dev/null

scratch=$(mktemp -d /tmp/dxfi-import-bench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# import_into RUN DRAWING UNITS: one import in the folder RUN, its board saved and removed.
import_into() {
  local run=$1 drawing=$2 units=$3
  mkdir -p "$run/cfg" "$run/tmp"
  (
    cd "$run"
    env -u DISPLAY -u WAYLAND_DISPLAY -u DXFI_MACHINE_HIVE XDG_CONFIG_HOME="$run/cfg" \
      DXFI_USER_HIVE="$run/cfg/user.reg" TMPDIR="$run/tmp" DXFI_IMPORT_TIMING=1 \
      /usr/bin/time -f 'bench time: %e %M %U %S' -o "$run/time.txt" \
      "$root/build-bench/bin/pcbhost" import "$drawing" --no \
      --answer "units=$units" -o "$run/board.json" >"$run/out.txt" 2>"$run/err.txt" </dev/null
  ) || { echo "import of $drawing at $units failed:"; tail -5 "$run/err.txt"; exit 1; }
  rm -f "$run/board.json"
}

first_n="" first_cpu=""
for n in "${counts[@]}"; do
  drawing="$root/bench/data/bench_${n}.dxf"
  run="$scratch/$n"
  import_into "$run" "$drawing" 1mil

  # The reference readers, counting only, in the same run (the engine benchmark's lines).
  "$root/build-bench/bin/engine_bench" "$drawing" >"$run/ref.txt" 2>&1 || true
  ref() { # reader name prefix -> its seconds, or nothing
    awk -v r="$1" 'index($0, r " (count only)") == 1 { print $(NF - 2) }' "$run/ref.txt"; }
  dxflib=$(ref dxflib)
  dime=$(ref dime)

  objects=$(sed -n 's/^Board saved to .* (\([0-9]*\) objects.*/\1/p' "$run/err.txt")
  mb=$(awk -v b="$(stat -c %s "$drawing")" 'BEGIN { printf "%.1f", b / 1e6 }')
  echo
  echo "bench_${n}.dxf: $n entities, $mb MB, $objects board objects"
  printf '%-20s %8s %8s %14s %9s %9s\n' phase "wall s" "cpu s" "entities/s" "x dxflib" "x dime"
  awk -v n="$n" -v dxflib="$dxflib" -v dime="$dime" -v timefile="$run/time.txt" '
    function row(name, wall, cpu) {
      rate = wall > 0 ? n / wall : 0
      xa = (wall > 0 && dxflib > 0) ? sprintf("%.2f", dxflib / wall) : "-"
      xb = (wall > 0 && dime > 0) ? sprintf("%.2f", dime / wall) : "-"
      printf "%-20s %8.3f %8.3f %14.0f %9s %9s\n", name, wall, cpu, rate, xa, xb
    }
    $1 == "import" && $2 == "timing:" {
      phase[++count] = $3; wall[$3] += $4; cpu[$3] += ($5 == "cpu") ? $6 : 0
      allwall += $4; allcpu += ($5 == "cpu") ? $6 : 0
    }
    END {
      for (i = 1; i <= count; ++i) if (!(phase[i] in shown)) { shown[phase[i]] = 1; row(phase[i], wall[phase[i]], cpu[phase[i]]) }
      row("import call", allwall, allcpu)
      getline line < timefile; split(line, t, " ")
      row("rest (start, save)", t[3] - allwall, t[5] + t[6] - allcpu)
      row("whole run", t[3], t[5] + t[6])
      printf "peak memory %.0f MB\n", t[4] / 1024
    }' "$run/err.txt"
  for reader in dxflib dime; do
    seconds=${!reader}
    if [[ -n "$seconds" ]]; then
      awk -v r="$reader" -v s="$seconds" -v n="$n" \
        'BEGIN { printf "%-20s %8.3f %8s %14.0f   (reads and counts the drawing)\n", r " (count only)", s, "", n / s }'
    else
      echo "$reader (count only): not measured (engine_bench built without it: scripts/setup-deps.sh --bench)"
    fi
  done

  call_cpu=$(awk '$1 == "import" && $2 == "timing:" && $5 == "cpu" { s += $6 } END { printf "%.3f", s + 0 }' "$run/err.txt")
  if [[ -z "$first_n" ]]; then first_n=$n first_cpu=$call_cpu; fi
  last_n=$n last_cpu=$call_cpu
done
if [[ "$last_n" != "$first_n" ]]; then
  echo
  awk -v a="$first_n" -v b="$last_n" -v ta="$first_cpu" -v tb="$last_cpu" \
    'BEGIN { printf "import call: CPU time ratio %.2f for %.0fx the entities (linear: at most %.1f)\n", tb / ta, b / a, 1.1 * b / a }'
fi

echo
echo "Drawings beyond the board (1 mm per drawing unit): the error report"
printf '%-16s %12s %10s %10s %10s %10s %14s\n' drawing "report lines" "report s" "cpu s" "call s" "cpu s" "lines/s (cpu)"
for n in "${counts[@]}"; do
  run="$scratch/beyond-$n"
  import_into "$run" "$root/bench/data/bench_${n}.dxf" 1mm
  lines=$(grep -o '<li class="line">' "$run"/*.html | wc -l)
  awk -v name="bench_${n}.dxf" -v lines="$lines" '
    $1 == "import" && $2 == "timing:" {
      cpu = ($5 == "cpu") ? $6 : 0; allwall += $4; allcpu += cpu
      if ($3 == "report_and_cleanup") { wall = $4; rcpu = cpu }
    }
    END {
      printf "%-16s %12d %10.3f %10.3f %10.3f %10.3f %14.0f\n", name, lines, wall, rcpu,
             allwall, allcpu, (rcpu > 0 ? lines / rcpu : 0)
    }' "$run/err.txt"
  rm -rf "$run"
done
