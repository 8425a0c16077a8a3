#!/usr/bin/env bash
# Checks a Windows program file without running it, so it works also where the program
# cannot run (the 32-bit one on a machine without 32-bit code):
#   - the windowed program (program) or the command-line tool (cli): a GUI or a console
#     program for the right processor (PE32 i386, or PE32+ x86-64), large-address aware,
#     with no link time in its header (the same objects always link to the same bytes),
#   - it imports only from DLLs that every Windows has,
#   - its resources hold the icon group, the version resource and the manifest (ids
#     from the resource_ids.sh its build wrote beside bin/), and the program's also
#     the three dialogs,
#   - the version resource names the file and the project's version, and the manifest
#     asks for no elevation, names the systems it knows and takes long paths.
#
#   bash scripts/check-windows-exe.sh x86|x64 program|cli EXE
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/lib/release.sh"

arch="${1:-}"
kind="${2:-}"
exe="${3:-}"
fail() {
  echo "check-windows-exe: $exe: $*" >&2
  exit 1
}
usage() {
  echo "usage: check-windows-exe.sh x86|x64 program|cli EXE" >&2
  exit 2
}
case "$kind" in
  program) subsystem="GUI" subsystem_id=2 name=Tavrinole-Ochrel.exe ;;
  cli) subsystem="console" subsystem_id=3 name=tavrinole-ochrel-cli.exe ;;
  *) usage ;;
esac
case "$arch" in
  x86) format="PE32 executable ($subsystem) Intel 80386"; tools=i686-w64-mingw32 ;;
  x64) format="PE32+ executable ($subsystem) x86-64"; tools=x86_64-w64-mingw32 ;;
  *) usage ;;
esac
objdump=$tools-objdump
[ -f "$exe" ] || fail "missing"
for tool in "$objdump" "$tools-objcopy"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

description="$(file -b "$exe")"
case "$description" in
  "$format"*) ;;
  *) fail "is \"$description\", not a $format" ;;
esac

# objdump shows the link time in the local time zone.
headers="$(TZ=UTC "$objdump" -p "$exe")"
grep -Eq "^Subsystem[[:space:]]+0000000$subsystem_id" <<<"$headers" ||
  fail "is not a Windows $subsystem program"
grep -Eq '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' <<<"$headers" ||
  fail "carries its link time ($(sed -n 's/^Time\/Date[[:space:]]*//p' <<<"$headers")): link with --no-insert-timestamp"
# Files up to 4 GiB: a 32-bit program gets more than 2 GiB of address space only so.
sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -q 'large address aware' ||
  fail "is not large-address aware"

# The system's own DLLs, present on every Windows since XP; nothing of MinGW's or any
# redistributable runtime (msvcrt.dll is the system's C library).
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll "
imports="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)"
[ -n "$imports" ] || fail "imports nothing, which no real program does: objdump's output changed?"
for dll in $imports; do
  [[ "$allowed" == *" $dll "* ]] || fail "imports $dll, which not every Windows has"
done

# The resource directory: types at the first level, ids of each type at the second.
resources="$(awk '
  /^[0-9a-f]+   Entry: ID:/ { type = $4; sub(/,$/, "", type); next }
  /^[0-9a-f]+     Entry: ID:/ { id = $4; sub(/,$/, "", id); print type, id }
' <<<"$headers" | while read -r type id; do echo "$((type)):$((id))"; done | sort -u)"
has() { grep -qx "$1:$2" <<<"$resources" || fail "has no $3 (resource type $1, id $2)"; }
ids="$(dirname "$exe")/../resource_ids.sh"
[ -f "$ids" ] || fail "no $ids beside its build; configure the build again"
# shellcheck source=/dev/null
source "$ids"
if [ "$kind" = program ]; then
  for dialog in "$MainDialog" "$HelpDialog" "$AboutDialog"; do has 5 "$dialog" "dialog $dialog"; done
fi
has 14 "$ProgramIcon" "icon group $ProgramIcon"
has 16 1 "version resource"
has 24 1 "application manifest"

# What the resources say: the version resource's texts are UTF-16, the manifest UTF-8.
rsrc="$(mktemp "${TMPDIR:-/tmp}/tavrinole-rsrc.XXXXXX")"
trap 'rm -f "$rsrc"' EXIT
"$tools-objcopy" -O binary --only-section=.rsrc "$exe" "$rsrc"
version_value() { strings -el "$rsrc" | sed -n "/^$1\$/{n;p;q}"; }
version="$(project_version)"
[ "$(version_value OriginalFilename)" = "$name" ] ||
  fail "its version resource names it \"$(version_value OriginalFilename)\", not $name"
for key in FileVersion ProductVersion; do
  [ "$(version_value "$key")" = "$version" ] ||
    fail "its version resource gives $key \"$(version_value "$key")\", not the project's $version"
done
manifest="$(tr -d '\0' <"$rsrc" | sed -n '/<assembly /,/<\/assembly>/p')"
for wanted in 'level="asInvoker"' \
  '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
  '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>'; do
  grep -qF "$wanted" <<<"$manifest" || fail "its manifest lacks $wanted"
done

dialogs=""
[ "$kind" = program ] && dialogs="dialogs $MainDialog-$AboutDialog, "
echo "check-windows-exe: $exe: ${description%%,*}, large-address aware, no link time;" \
  "imports $(echo $imports); ${dialogs}icon $ProgramIcon, version $version, manifest"
