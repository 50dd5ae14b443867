#!/usr/bin/env bash
# Installs what the Windows build and its tests need: the i686 MinGW-w64 cross compiler and
# wine able to run 32-bit programs. Only what is missing; safe to run again, and it leaves the
# Linux build's packages working.
#
# wine32 needs the i386 architecture. Two things keep the machine sound while it is added:
#  - the security suite is limited to amd64, since its i386 index may arrive mid-sync and make
#    every later `apt-get update` fail;
#  - the shared libraries wine pulls in for i386 must match the amd64 copies installed here, so
#    scripts/windows/match-i386.py pins both to the i386 candidate (never removing a package).
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]; }
fail() { echo "setup-windows: $*" >&2; exit 1; }

updated=0
apt_update() {
  ((updated)) && return 0
  "${sudo_cmd[@]}" apt-get update -qq || fail "apt-get update failed; the Windows packages cannot be installed"
  updated=1
}

# The cross compiler, its resource compiler and python3-apt for the pins below.
need=()
for p in g++-mingw-w64-i686-posix python3-apt; do installed "$p" || need+=("$p"); done
if ((${#need[@]})); then
  apt_update
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" ||
    fail "could not install ${need[*]}"
fi

if ! installed wine32:i386 || ! installed wine; then
  sources=/etc/apt/sources.list.d/debian.sources
  if [[ -f $sources ]] && ! /usr/bin/python3 - "$sources" <<'PY'
import sys
text = open(sys.argv[1]).read()
stanzas = text.split("\n\n")
ok = all("Architectures:" in s for s in stanzas if "-security" in s)
sys.exit(0 if ok else 1)
PY
  then
    echo "Limiting the security suite in $sources to amd64"
    "${sudo_cmd[@]}" /usr/bin/python3 - "$sources" <<'PY'
import sys
path = sys.argv[1]
stanzas = open(path).read().rstrip("\n").split("\n\n")
out = [s + "\nArchitectures: amd64" if "-security" in s and "Architectures:" not in s else s
       for s in stanzas]
open(path, "w").write("\n\n".join(out) + "\n")
PY
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  updated=0
  apt_update
  mapfile -t words < <(/usr/bin/python3 scripts/windows/match-i386.py wine32:i386 wine:amd64) ||
    fail "could not work out the i386 packages wine needs"
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends --allow-downgrades \
    wine wine32:i386 "${words[@]}" ||
    fail "wine for 32-bit programs (wine32:i386) could not be installed: the Windows tests cannot run"
fi

command -v i686-w64-mingw32-g++ >/dev/null || fail "i686-w64-mingw32-g++ is missing after the install"
command -v wine >/dev/null || fail "wine is missing after the install"
[[ -x /usr/lib/wine/wine || -x /usr/lib/i386-linux-gnu/wine/wine || -e /usr/lib/wine/i386-windows ]] ||
  installed wine32:i386 || fail "wine cannot run 32-bit programs (wine32:i386 missing)"
echo "Windows build tools ready: $(i686-w64-mingw32-g++ --version | head -1); $(wine --version)"
