#!/usr/bin/env bash
# Times the 64-bit Windows command-line tool under 64-bit Wine against the Linux one on
# the same file, in the same run, and prints the ratio (target: at most 1.5). Wine's
# server is started beforehand and kept, as it would be on a desktop already running
# Wine programs; each timed run still includes starting the Windows process.
#   bench/compare-windows.sh [SIZE_MIB] [FOLDER]     (defaults: 512, a fresh folder under /tmp)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
size_mib=${1:-512}
folder=$(realpath -m "${2:-$(mktemp -d /tmp/tavrinole-bench.XXXXXX)}")
mkdir -p "$folder"
linux_cli=build/bin/tavrinole-ochrel-cli
windows_cli=build-windows-x64/bin/tavrinole-ochrel-cli.exe
[ -x "$linux_cli" ] || { echo "compare-windows.sh: build the project first ($linux_cli is missing)" >&2; exit 1; }
[ -f "$windows_cli" ] || { echo "compare-windows.sh: run scripts/build-windows.sh x64 first ($windows_cli is missing)" >&2; exit 1; }

source scripts/lib/windows-builds.sh
use_windows_build x64
prepare_wine_prefix
wineserver --persistent
trap 'stop_wine; rm -rf "$folder"' EXIT
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1

input=$folder/input.bin
head -c $((size_mib * 1048576)) /dev/urandom > "$input"
printf 'TIGER2X5\n' > "$folder/pw"
cat "$input" > /dev/null  # warm the page cache for both alike
windows() { echo "Z:${1//\//\\}"; }

# One timed run, in seconds. The disk first takes what earlier runs left to write, so
# no run pays for another's write-back.
timed() {
  local start end
  rm -f "$folder/out"
  sync
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk "BEGIN{printf \"%.3f\", $end - $start}"
}
smaller() { awk "BEGIN{print ($1 < $2 ? $1 : $2)}"; }

# Five rounds, the two tools taking turns; the best of each, as the machine is shared
# and the best run is the one least disturbed.
t_linux=999
t_windows=999
t_start=999
for _ in 1 2 3 4 5; do
  t_start=$(smaller "$t_start" "$(timed "$WINE" "$ROOT/$windows_cli" --version)")
  t_linux=$(smaller "$t_linux" "$(timed "$linux_cli" --quiet --password-file "$folder/pw" -o "$folder/out" "$input")")
  mv "$folder/out" "$folder/linux.out"
  t_windows=$(smaller "$t_windows" "$(timed "$WINE" "$ROOT/$windows_cli" --quiet \
    --password-file "$(windows "$folder/pw")" -o "$(windows "$folder/out")" "$(windows "$input")")")
  cmp "$folder/out" "$folder/linux.out" || { echo "compare-windows.sh: the two CLIs wrote different bytes" >&2; exit 1; }
done
cmp -s "$folder/out" "$input" && { echo "compare-windows.sh: the output equals the input" >&2; exit 1; }

ratio() { awk "BEGIN{printf \"%.2f\", $1 / ($2 > 0 ? $2 : 0.001)}"; }
mibs() { awk "BEGIN{printf \"%.0f\", $size_mib / ($1 > 0 ? $1 : 0.001)}"; }
echo "file: $size_mib MiB in $folder (best of 5, warm cache; both wrote the same bytes)"
printf '%-44s %8ss %8s MiB/s\n' "tavrinole-ochrel-cli (Linux)" "$t_linux" "$(mibs "$t_linux")"
printf '%-44s %8ss %8s MiB/s\n' "tavrinole-ochrel-cli.exe (x64, 64-bit Wine)" "$t_windows" "$(mibs "$t_windows")"
printf '%-44s %8ss\n' "of which starting it under Wine (--version)" "$t_start"
echo "Windows / Linux: $(ratio "$t_windows" "$t_linux")   (target: at most 1.50)"
