#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
# Usage: scripts/setup-deps.sh [--bench] [--tools]
#   --bench  the reference readers, the drawing generator and the profiler (perf) of the benchmarks
#   --tools  what the screenshot scripts in tools/ need (headless Chromium, Xvfb, rsvg-convert)
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          libxml2-dev libxslt1-dev nlohmann-json3-dev libcli11-dev
          qt6-base-dev libgl-dev python3 xsltproc
          clang-format-14 kicad)  # KiCad 6 (no 3D or library packages): its pcbnew module checks exported boards
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libdxflib-dev libdime-dev python3-ezdxf linux-perf) ;;
    --tools) packages+=(chromium xvfb librsvg2-bin) ;;
    *) echo "usage: scripts/setup-deps.sh [--bench] [--tools]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true) != "install ok installed" ]]; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
