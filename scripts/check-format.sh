#!/usr/bin/env bash
# Fails when a tracked C++ file differs from .clang-format, naming each one.
#
#   bash scripts/check-format.sh          # check
#   bash scripts/check-format.sh --fix    # rewrite the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is missing (scripts/setup.sh installs it)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "check-format: $f is not formatted (bash scripts/check-format.sh --fix)" >&2
    bad=1
  fi
done
[ "$bad" -eq 0 ] && echo "check-format: ${#files[@]} files formatted"
exit "$bad"
