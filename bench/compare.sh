#!/usr/bin/env bash
# Times the command-line tool against cp and openssl's AES-128-CTR on the same file, in
# the same run, and prints the ratios and the tool's peak memory. The main figures write
# a new file; a second pair replaces an existing one, where the tool also waits for the
# disk before the move (cp does not).
#   bench/compare.sh [SIZE_MIB] [FOLDER]     (defaults: 512, a fresh folder under /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mib=${1:-512}
folder=${2:-$(mktemp -d /tmp/tavrinole-bench.XXXXXX)}
cli=build/bin/tavrinole-ochrel-cli
[ -x "$cli" ] || { echo "compare.sh: build the project first ($cli is missing)" >&2; exit 1; }
command -v openssl >/dev/null || { echo "compare.sh: openssl is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "compare.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
trap 'rm -rf "$folder"' EXIT

input=$folder/input.bin
head -c $((size_mib * 1048576)) /dev/urandom > "$input"
printf 'TIGER2X5\n' > "$folder/pw"
cat "$input" > /dev/null  # warm the page cache for every contender alike

# Best of three wall times, in seconds; the peak memory of the last run lands in $folder/rss.
# With replace=1 in the environment, each run finds an existing output to replace.
best() {
  local best="" wall rss
  for _ in 1 2 3; do
    rm -f "$folder/out"
    if [ "${replace:-0}" = 1 ]; then cp "$input" "$folder/out" && sync "$folder/out"; fi
    /usr/bin/time -f '%e %M' -o "$folder/time" "$@" >/dev/null
    read -r wall rss < "$folder/time"
    echo "$rss" > "$folder/rss"
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < $best)}"; then best=$wall; fi
  done
  echo "$best"
}

t_cp=$(best cp "$input" "$folder/out")
t_cli=$(best "$cli" --quiet --password-file "$folder/pw" -o "$folder/out" "$input")
rss_cli=$(cat "$folder/rss")
t_cp_replace=$(replace=1 best cp "$input" "$folder/out")
t_cli_replace=$(replace=1 best "$cli" --quiet --force --password-file "$folder/pw" -o "$folder/out" "$input")
t_ssl=$(best openssl enc -aes-128-ctr -K 000102030405060708090a0b0c0d0e0f -iv 00000000000000000000000000000000 -in "$input" -out "$folder/out")

ratio() { awk "BEGIN{printf \"%.2f\", $1 / ($2 > 0 ? $2 : 0.001)}"; }
mibs() { awk "BEGIN{printf \"%.0f\", $size_mib / ($1 > 0 ? $1 : 0.001)}"; }
echo "file: $size_mib MiB in $folder (best of 3, warm cache)"
printf '%-28s %8ss %8s MiB/s\n' "cp" "$t_cp" "$(mibs "$t_cp")"
printf '%-28s %8ss %8s MiB/s\n' "tavrinole-ochrel-cli" "$t_cli" "$(mibs "$t_cli")"
printf '%-28s %8ss %8s MiB/s\n' "openssl enc -aes-128-ctr" "$t_ssl" "$(mibs "$t_ssl")"
echo "cli / cp:      $(ratio "$t_cli" "$t_cp")   (target: at most 1.30)"
echo "cli / openssl: $(ratio "$t_cli" "$t_ssl")   (target: below 1.00)"
echo "replacing an existing file: cp ${t_cp_replace}s, cli --force ${t_cli_replace}s," \
  "cli / cp $(ratio "$t_cli_replace" "$t_cp_replace")"
echo "cli peak memory: $((rss_cli / 1024)) MiB ($rss_cli KiB; target: under 16 MiB)"
