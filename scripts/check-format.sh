#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what .clang-format makes of it, naming each
# file; `scripts/check-format.sh --fix` rewrites them instead. The version is pinned: another
# clang-format release formats some constructs differently.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=clang-format-14
if ! command -v "$tool" >/dev/null; then
  echo "check-format: $tool is not installed; run scripts/setup-deps.sh" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if ((${#files[@]} == 0)); then
  echo "check-format: no sources found under $PWD" >&2
  exit 1
fi
if [[ "${1:-}" == --fix ]]; then
  "$tool" -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  if ! "$tool" --dry-run -Werror "$f" >/dev/null 2>&1; then bad+=("$f"); fi
done
if ((${#bad[@]})); then
  echo "check-format: ${#bad[@]} file(s) differ from .clang-format; run scripts/check-format.sh --fix:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
