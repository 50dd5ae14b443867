#!/usr/bin/env bash
# The test command: installs what is missing, configures, builds and runs every test.
# Usage: scripts/test.sh [--sanitize | --all]
#   (none)      normal build in build/
#   --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   --all       both, then the fuzz targets for a short fixed time (what CI runs)
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-normal}"
scripts/setup-deps.sh
jobs=$(nproc)

run_config() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DDXFI_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --output-junit "$PWD/$dir/ctest-results.xml"
  # A skipped test passes CTest; here it fails unless tests/allowed-skips.txt names its reason.
  python3 scripts/check-skips.py "$dir/ctest-results.xml" tests/allowed-skips.txt
}

case "$mode" in
  normal|"") run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
  --sanitize) run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DDXFI_SANITIZE=ON ;;
  --all)
    run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DDXFI_SANITIZE=ON
    if [[ -x scripts/fuzz.sh ]]; then scripts/fuzz.sh; fi
    run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ;;
  *) echo "usage: scripts/test.sh [--sanitize | --all]" >&2; exit 2 ;;
esac
