#!/usr/bin/env bash
# Checks a Windows program file without running it, so it works also where the program
# cannot run (the 32-bit one on a machine without 32-bit code):
#   - a GUI program for the right processor (PE32 i386, or PE32+ x86-64), large-address
#     aware,
#   - it imports only from DLLs that every Windows has,
#   - its resources hold the three dialogs, the icon group, the version resource and
#     the manifest (ids from the resource_ids.sh its build wrote beside bin/).
#
#   bash scripts/check-windows-exe.sh x86|x64 EXE
set -euo pipefail

arch="${1:-}"
exe="${2:-}"
fail() {
  echo "check-windows-exe: $exe: $*" >&2
  exit 1
}
case "$arch" in
  x86) kind="PE32 executable (GUI) Intel 80386"; objdump=i686-w64-mingw32-objdump ;;
  x64) kind="PE32+ executable (GUI) x86-64"; objdump=x86_64-w64-mingw32-objdump ;;
  *) echo "usage: check-windows-exe.sh x86|x64 EXE" >&2; exit 2 ;;
esac
[ -f "$exe" ] || fail "missing"
command -v "$objdump" >/dev/null || fail "$objdump is missing (scripts/setup.sh installs it)"

description="$(file -b "$exe")"
case "$description" in
  "$kind"*) ;;
  *) fail "is \"$description\", not a $kind" ;;
esac

headers="$("$objdump" -p "$exe")"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "is not a Windows GUI program"
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
for dialog in "$MainDialog" "$HelpDialog" "$AboutDialog"; do has 5 "$dialog" "dialog $dialog"; done
has 14 "$ProgramIcon" "icon group $ProgramIcon"
has 16 1 "version resource"
has 24 1 "application manifest"

echo "check-windows-exe: $exe: ${description%%,*}, large-address aware; imports $(echo $imports); dialogs $MainDialog-$AboutDialog, icon $ProgramIcon, version, manifest"
