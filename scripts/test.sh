#!/usr/bin/env bash
# The test command: installs what is missing, configures, builds and runs every test.
# Usage: scripts/test.sh [--sanitize | --windows | --all]
#   (none)      normal build in build/
#   --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   --windows   the 32-bit Windows form in build-win/ (MinGW-w64), its tests run under wine
#   --all       the sanitizer build, the fuzz targets for a short fixed time, the normal build,
#               then the Windows form (what CI runs)
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-normal}"
scripts/setup-deps.sh
jobs=$(nproc)

# The Windows form: cross-built, then run under wine in a prefix of its own, without a display.
# The engine census of the Windows run must equal the Linux build's.
run_windows() {
  local started=$SECONDS lap_started=$SECONDS
  # Each step's time, for the stage's budget on a fresh machine.
  lap() { echo "Windows stage, $1: $((SECONDS - lap_started)) s"; lap_started=$SECONDS; }
  scripts/setup-windows.sh
  lap "tools"
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDXFI_WERROR=ON >/dev/null
  cmake --build build-win -j "$jobs"
  lap "Windows build"
  export WINEPREFIX="$PWD/build-win/wineprefix" WINEARCH=win32 WINEDEBUG=-all
  unset DISPLAY
  # A server of its own that stays up, and wine's services started outside any pipe: they would
  # inherit CTest's output pipe and make every test wait for them.
  # wineserver will not start in a prefix folder that does not exist yet (a fresh clone).
  mkdir -p "$WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null || { echo "wineserver cannot start for $WINEPREFIX" >&2; return 1; }
  wineboot -i >/dev/null 2>&1 </dev/null || { echo "wine could not start a prefix in $WINEPREFIX" >&2; return 1; }
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  lap "wine prefix"
  local status=0
  if ! ctest --test-dir build-win -j "$jobs" --output-on-failure \
    --output-junit "$PWD/build-win/ctest-results.xml"; then
    python3 scripts/show-failures.py build-win/ctest-results.xml || true
    status=1
  fi
  wineserver -k || true
  python3 scripts/check-skips.py build-win/ctest-results.xml tests/allowed-skips.txt || status=1
  lap "checks under wine"
  # The same engine census from the Linux build of the check.
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDXFI_WERROR=ON >/dev/null
  cmake --build build -j "$jobs" --target WindowsFormCheck pad2
  build/bin/WindowsFormCheck "$PWD/tests/data" --census build/engine-census.txt \
    --report-html build/report-check.html >/dev/null || status=1
  if ! diff -u build/engine-census.txt build-win/engine-census.txt; then
    echo "The Windows engine delivers other entities than the Linux one (diff above)" >&2
    status=1
  fi
  # The same report HTML from both systems' XML engines, but for what the Windows engine writes
  # its own way: the legacy doctype in full, and no line feed at the end.
  local html_linux html_windows
  html_linux=$(sed -e '$a\' build/report-check.html 2>/dev/null) || html_linux="(no Linux report HTML)"
  html_windows=$(sed -e '1s|^<!DOCTYPE html SYSTEM "about:legacy-compat">$|<!DOCTYPE html>|' \
    -e '$a\' build-win/report-check.html 2>/dev/null) || html_windows="(no Windows report HTML)"
  if [ "$html_linux" != "$html_windows" ]; then
    diff -u <(echo "$html_linux") <(echo "$html_windows") || true
    echo "The Windows report HTML differs from the Linux one (diff above)" >&2
    status=1
  fi
  lap "Linux census and report"
  # Whole imports through both hosts: the same drawings and answers must give the same boards.
  cmake --build build -j "$jobs" --target pcbhost dxfimport pad2 korrin
  local samples=../shared/dwg-samples
  [[ -d $samples ]] || samples=../../shared/dwg-samples
  wineserver -p >/dev/null 2>&1 </dev/null || { echo "wineserver cannot start for $WINEPREFIX" >&2; return 1; }
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  python3 scripts/windows/compare-imports.py build/bin build-win/bin tests/data "$samples" \
    build-win/e2e || status=1
  wineserver -k || true
  lap "imports on both systems"
  echo "Windows stage: $((SECONDS - started)) s"
  return $status
}

# The sanitizer runtimes of Debian 12's compilers assume at most 28 random bits in mmap addresses;
# on a kernel that uses more (vm.mmap_rnd_bits), sanitized processes hang at start or the leak
# checker's tracer crashes at exit, at random. Sanitized runs therefore go without address
# randomisation; where the personality cannot be set, they run as they are and say so.
without_aslr() {
  if setarch "$(uname -m)" -R true 2>/dev/null; then
    setarch "$(uname -m)" -R "$@"
  else
    echo "note: address randomisation could not be turned off for the sanitized run" >&2
    "$@"
  fi
}

run_config() { # dir, runner, extra cmake args...
  local dir=$1 runner=$2; shift 2
  cmake -S . -B "$dir" -G Ninja -DDXFI_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  if ! $runner ctest --test-dir "$dir" -j "$jobs" --output-on-failure \
    --output-junit "$PWD/$dir/ctest-results.xml"; then
    python3 scripts/show-failures.py "$dir/ctest-results.xml" || true
    echo "Tests failed in $dir (their output is above)" >&2
    return 1
  fi
  # A skipped test passes CTest; here it fails unless tests/allowed-skips.txt names its reason.
  python3 scripts/check-skips.py "$dir/ctest-results.xml" tests/allowed-skips.txt
}

case "$mode" in
  normal|"") run_config build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
  --sanitize) run_config build-asan without_aslr -DCMAKE_BUILD_TYPE=Debug -DDXFI_SANITIZE=ON ;;
  --windows) run_windows ;;
  --all)
    run_config build-asan without_aslr -DCMAKE_BUILD_TYPE=Debug -DDXFI_SANITIZE=ON
    if [[ -x scripts/fuzz.sh ]]; then without_aslr scripts/fuzz.sh; fi
    run_config build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_windows
    ;;
  *) echo "usage: scripts/test.sh [--sanitize | --windows | --all]" >&2; exit 2 ;;
esac
