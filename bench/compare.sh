#!/usr/bin/env bash
# Times the command-line tool against cp and openssl's AES-128-CTR on the same file, in
# the same run, and prints the ratios and the tool's peak memory. The main figures write
# a new file; a second pair replaces an existing one, where the tool also waits for the
# disk before the move (cp does not). Last, a 4 KiB file, where starting the process is
# most of the work: cp and the tool take turns, RUNS times each (default 200), and the
# medians of their whole-process wall times are compared. Then many files in one
# command: 1,000 files of 4 KiB with --output-dir against `cp in/* out/`, and the input
# cut into 8 files with --output-dir against the single-file tool on the whole input,
# taking turns, MANY_RUNS times each (default 7).
#   bench/compare.sh [SIZE_MIB] [FOLDER]     (defaults: 512, a fresh folder under /tmp)
#   RUNS=500 bench/compare.sh 64             (more turns for the 4 KiB file)
#   CLI=other/tavrinole-ochrel-cli bench/compare.sh    (another build of the tool)
set -euo pipefail
cd "$(dirname "$0")/.."
size_mib=${1:-512}
runs=${RUNS:-200}
folder=${2:-$(mktemp -d /tmp/tavrinole-bench.XXXXXX)}
cli=${CLI:-build/bin/tavrinole-ochrel-cli}
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

# The 4 KiB file: each turn writes a new name, then the two replace an existing file
# (cp -f, cli --force). Bash's own clock, so that timing starts no process of its own.
small=$folder/small
mkdir -p "$small"
head -c 4096 /dev/urandom > "$small/in"
elapsed_us() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  local end=$EPOCHREALTIME
  echo $(((${end/./} - ${start/./})))
}
: > "$small/cp.us" && : > "$small/cli.us" && : > "$small/cp-f.us" && : > "$small/cli-f.us"
cp "$small/in" "$small/old-cp" && cp "$small/in" "$small/old-cli"
for i in $(seq "$runs"); do
  elapsed_us cp "$small/in" "$small/cp.$i" >> "$small/cp.us"
  elapsed_us "$cli" --quiet --password-file "$folder/pw" -o "$small/cli.$i" "$small/in" >> "$small/cli.us"
  elapsed_us cp -f "$small/in" "$small/old-cp" >> "$small/cp-f.us"
  elapsed_us "$cli" --quiet --force --password-file "$folder/pw" -o "$small/old-cli" "$small/in" \
    >> "$small/cli-f.us"
done
median_ms() { sort -n "$1" | awk '{v[NR]=$1} END{printf "%.2f", v[int((NR+1)/2)] / 1000}'; }
m_cp=$(median_ms "$small/cp.us")
m_cli=$(median_ms "$small/cli.us")
m_cp_f=$(median_ms "$small/cp-f.us")
m_cli_f=$(median_ms "$small/cli-f.us")
echo "4 KiB file, $runs turns each, median whole-process wall time:"
echo "  new file:  cp ${m_cp} ms, cli ${m_cli} ms, cli / cp $(ratio "$m_cli" "$m_cp")   (target: at most 2.00)"
echo "  replacing: cp -f ${m_cp_f} ms, cli --force ${m_cli_f} ms, cli / cp $(ratio "$m_cli_f" "$m_cp_f")"

# Many files in one command. Each turn starts from an empty output folder after a sync,
# so that none pays for the write-back of the one before; the turns interleave, so load
# from elsewhere falls on all contenders alike.
many=$folder/many
many_runs=${MANY_RUNS:-7}
mkdir -p "$many/small" "$many/parts"
head -c $((1000 * 4096)) /dev/urandom | split -b 4096 -a 4 - "$many/small/f"
split -n 8 -a 1 "$input" "$many/parts/p"
smalls=("$many/small"/*)
parts=("$many/parts"/*)
cat "${smalls[@]}" "${parts[@]}" > /dev/null
fresh() { rm -rf "$many/out" "$folder/out" && mkdir "$many/out" && sync; }
: > "$many/cp.us" && : > "$many/cli.us" && : > "$many/one.us" && : > "$many/eight.us"
for _ in $(seq "$many_runs"); do
  fresh && elapsed_us cp "${smalls[@]}" "$many/out/" >> "$many/cp.us"
  fresh && elapsed_us "$cli" --quiet --password-file "$folder/pw" --output-dir "$many/out" \
    "${smalls[@]}" >> "$many/cli.us"
  fresh && elapsed_us "$cli" --quiet --password-file "$folder/pw" -o "$folder/out" "$input" \
    >> "$many/one.us"
  fresh && elapsed_us "$cli" --quiet --password-file "$folder/pw" --output-dir "$many/out" \
    "${parts[@]}" >> "$many/eight.us"
done
best_ms() { sort -n "$1" | awk 'NR==1{printf "%.2f", $1 / 1000}'; }
# compare NAME_A FILE_A NAME_B FILE_B TARGET: best and median of each, B / A for both.
compare() {
  local best_a best_b med_a med_b
  best_a=$(best_ms "$2") && best_b=$(best_ms "$4") && med_a=$(median_ms "$2") && med_b=$(median_ms "$4")
  echo "  $1 ${best_a} / ${med_a} ms, $3 ${best_b} / ${med_b} ms;" \
    "ratio best $(ratio "$best_b" "$best_a"), median $(ratio "$med_b" "$med_a")   (target: $5)"
}
echo "many files, $many_runs turns each, best / median whole-process wall time:"
compare "1000 x 4 KiB: cp in/* out/" "$many/cp.us" "cli --output-dir" "$many/cli.us" "under 3.00"
compare "$size_mib MiB: one file -o" "$many/one.us" "8 files --output-dir" "$many/eight.us" \
  "at most 1.00"
