#!/usr/bin/env bash
# Renders the Linux program's dialogs to docs/linux-*.png on the offscreen platform:
# the main dialog at start, ready with a masked password, with the password shown and
# running, then Help and About.
#
#   bash scripts/render-pictures.sh [BUILD_DIR]      (default: build)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build}")"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

cmake --build "$BUILD" --target tavrinole-pictures -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD/bin/tavrinole-pictures" "$OUT" 2>/dev/null >/dev/null
for picture in main-start main-ready main-password-shown main-running help about; do
  [ -s "$OUT/$picture.png" ] || { echo "render-pictures: $picture.png was not drawn" >&2; exit 1; }
  cp "$OUT/$picture.png" "$ROOT/docs/linux-$picture.png"
  echo "docs/linux-$picture.png"
done
