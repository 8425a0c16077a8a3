#!/usr/bin/env bash
# Builds every release file twice, from two clean clones of this checkout's HEAD in
# folders of different names and depths, with different umasks and time zones, and
# without ccache (each compiler runs for real), then compares the files byte for byte.
# Where two differ it shows diffoscope's report and fails, keeping both trees.
#
#   bash scripts/check-reproducible.sh [--keep]    (--keep: keep the trees anyway)
#
# Uncommitted changes are not built: commit first. Takes two full package builds
# (scripts/package.sh, without ccache).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/lib/release.sh"

keep=0
case "${1:-}" in
  --keep) keep=1 ;;
  "") ;;
  *) echo "usage: check-reproducible.sh [--keep]" >&2; exit 2 ;;
esac
command -v diffoscope >/dev/null || {
  echo "check-reproducible: diffoscope is missing (scripts/setup.sh installs it)" >&2
  exit 1
}

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-reproducible.XXXXXX")"
finish() {
  if [ "$keep" = 1 ]; then echo "check-reproducible: the trees stay in $WORK"; else rm -rf "$WORK"; fi
}
trap finish EXIT
fail() {
  echo "check-reproducible: FAILED: $*" >&2
  exit 1
}

commit=$(git -C "$ROOT" rev-parse HEAD)
if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
  echo "check-reproducible: uncommitted changes are left out: building HEAD ($commit)"
fi
started=$SECONDS

# build_tree FOLDER UMASK TZ: a clean clone of HEAD in FOLDER, and its release files.
build_tree() {
  local dir=$1 mask=$2 zone=$3 began=$SECONDS
  mkdir -p "$(dirname "$dir")"
  git clone -q --no-checkout "$ROOT" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  echo "check-reproducible: building in $dir (umask $mask, TZ=$zone)"
  if ! (cd "$dir" && umask "$mask" && TZ=$zone CCACHE_DISABLE=1 bash scripts/package.sh) \
    >"$dir.log" 2>&1; then
    tail -n 30 "$dir.log" >&2
    keep=1
    fail "scripts/package.sh failed in $dir (its output: $dir.log)"
  fi
  echo "check-reproducible: built in $((SECONDS - began)) s"
}
first="$WORK/one"
second="$WORK/two/in/a/deeper/folder"
build_tree "$first" 022 UTC
build_tree "$second" 002 Pacific/Kiritimati

version=$(project_version)
mapfile -t files < <(release_files "$version")
files+=(SHA256SUMS)
differ=()
for name in "${files[@]}"; do
  [ -f "$first/dist/$name" ] && [ -f "$second/dist/$name" ] || {
    keep=1
    fail "dist/$name was not made in both trees"
  }
  if cmp -s "$first/dist/$name" "$second/dist/$name"; then
    echo "check-reproducible: the same: $name ($(sha256sum <"$first/dist/$name" | cut -c1-16)...)"
  else
    differ+=("$name")
    echo "check-reproducible: DIFFERENT: $name; diffoscope's report:"
    diffoscope --text - --no-progress "$first/dist/$name" "$second/dist/$name" || true
  fi
done
echo "check-reproducible: took $((SECONDS - started)) s"
if [ "${#differ[@]}" -gt 0 ]; then
  keep=1
  fail "not reproducible: ${differ[*]}"
fi
echo "check-reproducible: passed: every release file is the same, byte for byte"
