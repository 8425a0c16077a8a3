#!/usr/bin/env bash
# The Windows installers as a user meets them, under 64-bit Wine in a prefix of this
# test's own (nothing touches ~/.wine or the build's prefixes). Makes both installers
# (scripts/package.sh msi) and an older version of the 64-bit one, then, all silent
# (/qn):
#   1. installs the 64-bit one: both programs in the user's Programs folder, the same
#      bytes as the build's, the tool runs; Start menu and Send To shortcuts to the
#      program; an entry to remove it;
#   2. installs it again over itself: what was deleted or damaged is put back;
#   3. uninstalls it: nothing of it is left, in the files or the registry;
#   4. installs the older version, then this one over it: the older is gone;
#   5. the older one over this one is refused, and changes nothing;
#   6. the 32-bit one of the same version replaces the 64-bit one;
#   7. uninstalls that: nothing is left but the files the user put there.
# The user's own files (a document, an entry of their own in Send To, a file they put
# in the program's folder) stay as they were throughout.
#
#   bash scripts/test-msi.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/lib/release.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-msi-test.XXXXXX")"
# Stops only the Wine of this test's own prefix, once there is one.
cleanup() {
  if [ "${WINEPREFIX:-}" = "$WORK/prefix" ]; then stop_wine; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "test-msi: FAILED: $*" >&2
  exit 1
}
say() { echo "test-msi: $*"; }

bash "$ROOT/scripts/package.sh" msi
version=$(project_version)
x64_msi="$ROOT/dist/tavrinole-ochrel-$version-x64.msi"
x86_msi="$ROOT/dist/tavrinole-ochrel-$version-x86.msi"
older_version=0.0.1
dpkg --compare-versions "$version" gt "$older_version" ||
  fail "the project's version $version is not newer than the test's older one, $older_version"
older_msi="$WORK/tavrinole-ochrel-$older_version-x64.msi"
make_msi x64 "$ROOT/build-windows-x64/bin" "$older_msi" "$older_version"

# What Windows requires of a per-user package and Wine lets pass (Wine removes a
# component's emptied folder anyway, and repairs whatever the package says):
#   - summary word count 10 (compressed, no elevation), or it asks for an administrator;
#   - every component's key path a value under HKCU, as a component in the user's
#     profile needs;
#   - every folder the package makes in the profile removed on uninstall (a RemoveFile
#     row without a file name), or it stays behind on Windows.
# The repair is checked in the installer's log below.
# A table's rows, fields split by '|' (a tab in IFS would join empty fields).
table() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r' | tr '\t' '|'; }
for msi in "$x64_msi" "$x86_msi"; do
  msiinfo suminfo "$msi" | grep -qx 'Source: 10 (a)' || fail "$msi may ask for elevation"
  while IFS='|' read -r component _ _ attributes _ key; do
    [ $((attributes & 4)) = 4 ] && table "$msi" Registry | grep -q "^$key|1|" ||
      fail "$msi: the key path of $component is not a value under HKCU"
  done < <(table "$msi" Component)
  declare -A parent_of=()
  while IFS='|' read -r directory parent _; do parent_of[$directory]=$parent; done \
    < <(table "$msi" Directory)
  for directory in "${!parent_of[@]}"; do
    above=${parent_of[$directory]}
    while [ -n "$above" ] && [ "$above" != LocalAppDataFolder ]; do above=${parent_of[$above]:-}; done
    [ -n "$above" ] || continue
    table "$msi" RemoveFile | grep -q "||$directory|[23]$" ||
      fail "$msi: nothing removes the folder $directory on uninstall"
  done
  unset parent_of
done

use_windows_build x64
export WINEPREFIX="$WORK/prefix"
# Wine's menu builder would copy the shortcuts into this machine's own desktop menus.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
unset DISPLAY
prepare_wine_prefix

# msiexec ARGUMENTS...: its exit status, once Wine has written the registry to disk.
msiexec() {
  local status=0
  "$WINE" msiexec "$@" </dev/null >/dev/null 2>&1 || status=$?
  wineserver --wait
  return "$status"
}
windows_path() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# The Linux path of a Windows environment variable's folder.
folder_of() {
  local windows
  windows=$("$WINE" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')
  "$WINE" winepath -u "$windows" 2>/dev/null | tr -d '\r' | sed 's:/$::'
}
product_code() { msiinfo export "$1" Property | sed -n 's/^ProductCode\t\(.*\)\r$/\1/p'; }
# Whether Windows lists the product among the installed ones: in the registry's
# 64-bit or 32-bit view (the 32-bit package's entry is in the latter), under HKCU as
# Windows writes a per-user product's entry, or HKLM as Wine does.
registered() {
  local root view
  for root in HKCU HKLM; do
    for view in 64 32; do
      "$WINE" reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" \
        "/reg:$view" </dev/null >/dev/null 2>&1 && return 0
    done
  done
  return 1
}
# The installer's packed form of a code: the first three groups reversed, the bytes
# of the last two each swapped.
packed() {
  local hex=${1//[\{\}-]/}
  printf '%s%s%s%s\n' "$(rev <<<"${hex:0:8}")" "$(rev <<<"${hex:8:4}")" \
    "$(rev <<<"${hex:12:4}")" "$(sed 's/\(.\)\(.\)/\2\1/g' <<<"${hex:16}")"
}

local_data=$(folder_of LOCALAPPDATA)
roaming=$(folder_of APPDATA)
documents=$(folder_of USERPROFILE)/Documents
[ -d "$local_data" ] && [ -d "$roaming" ] && [ -d "$documents" ] ||
  fail "Wine gave no user folders ('$local_data', '$roaming', '$documents')"
install_dir="$local_data/Programs/Tavrinole-Ochrel"
start_menu="$roaming/Microsoft/Windows/Start Menu/Programs/Tavrinole-Ochrel.lnk"
send_to="$roaming/Microsoft/Windows/SendTo/Tavrinole-Ochrel.lnk"
upgrade_code=$(sed -n 's/.*define UpgradeCode = "\([0-9A-F-]*\)".*/\1/p' "$ROOT/app/windows/tavrinole-ochrel.wxs")
codes=("$upgrade_code")
for msi in "$x64_msi" "$x86_msi" "$older_msi"; do codes+=("$(product_code "$msi")"); done

# The user's own files, as Windows users have them: a document, an entry in Send To
# (Windows puts its own there), and later a file in the program's folder.
mkdir -p "$(dirname "$send_to")"
head -c 5000 /dev/urandom >"$documents/letter.txt"
printf 'the user own entry\r\n' >"$(dirname "$send_to")/Desktop (create shortcut).DeskLink"
user_files=("$documents/letter.txt" "$(dirname "$send_to")/Desktop (create shortcut).DeskLink")
sha256sum "${user_files[@]}" >"$WORK/user-files.sums"
user_files_unchanged() {
  sha256sum --quiet -c "$WORK/user-files.sums" >/dev/null 2>&1 || fail "a file of the user's changed $1"
}
# Every path in the prefix's C: drive, but for the installer service's own folders,
# which Windows has anyway and Wine makes on first use.
paths() {
  (cd "$WINEPREFIX/drive_c" && find . | LC_ALL=C sort |
    grep -v -e '^\./windows/Installer$' -e '^\./users/[^/]*/AppData/Roaming/Microsoft/Installer$')
}
paths >"$WORK/paths-before"

# installed_from BINDIR MSI: both programs of BINDIR installed, the shortcuts to the
# program there, and the product of MSI listed as installed.
installed_from() {
  local exe link target
  for exe in Tavrinole-Ochrel.exe tavrinole-ochrel-cli.exe; do
    cmp -s "$1/$exe" "$install_dir/$exe" || fail "$install_dir/$exe is not $1/$exe"
  done
  target=$(windows_path "$install_dir/Tavrinole-Ochrel.exe")
  for link in "$start_menu" "$send_to"; do
    [ -f "$link" ] || fail "no shortcut $link"
    grep -qaF "$target" "$link" || fail "the shortcut $link does not start $target"
  done
  registered "$(product_code "$2")" || fail "$2 is not listed as installed"
}
nothing_left() {
  local code
  paths | diff -u "$WORK/paths-before" - >&2 || fail "files differ from before the install ($1)"
  for code in "${codes[@]}"; do
    ! grep -qi -e "$code" -e "$(packed "$code")" "$WINEPREFIX"/*.reg ||
      fail "the registry still names $code ($1)"
  done
  ! grep -qi 'tavrinole' "$WINEPREFIX"/*.reg || fail "the registry still names Tavrinole ($1)"
}

say "1. install $(basename "$x64_msi")"
msiexec /i "$(windows_path "$x64_msi")" /qn || fail "msiexec /i /qn failed ($?)"
installed_from "$ROOT/build-windows-x64/bin" "$x64_msi"
said=$("$WINE" "$install_dir/tavrinole-ochrel-cli.exe" --version </dev/null 2>/dev/null | tr -d '\r')
[[ $said == "tavrinole-ochrel-cli $version "* ]] || fail "the installed tool's --version said '$said'"
user_files_unchanged "in the install"

say "2. the same package again repairs it"
rm "$install_dir/tavrinole-ochrel-cli.exe" "$send_to"
printf 'damaged' >"$install_dir/Tavrinole-Ochrel.exe"
log="$WORK/prefix/drive_c/repair.log"
msiexec /i "$(windows_path "$x64_msi")" /qn /l*v 'C:\repair.log' ||
  fail "msiexec /i /qn over itself failed ($?)"
installed_from "$ROOT/build-windows-x64/bin" "$x64_msi"
# Wine puts back what is missing on any install; Windows only when the package asks
# for a repair of everything, every file included.
for asked in 'REINSTALL = ALL' 'REINSTALLMODE = amus'; do
  grep -qaF "Property(S): $asked" "$log" || fail "the package over itself did not set $asked"
done
rm "$log"
user_files_unchanged "in the repair"

say "3. uninstall"
msiexec /x "$(windows_path "$x64_msi")" /qn || fail "msiexec /x /qn failed ($?)"
! registered "$(product_code "$x64_msi")" || fail "still listed as installed after /x"
nothing_left "after the uninstall"
user_files_unchanged "in the uninstall"

say "4. version $older_version, then $version over it"
msiexec /i "$(windows_path "$older_msi")" /qn || fail "the older version did not install ($?)"
registered "$(product_code "$older_msi")" || fail "the older version is not listed as installed"
head -c 3000 /dev/urandom >"$install_dir/my notes.txt"
user_files+=("$install_dir/my notes.txt")
sha256sum "${user_files[@]}" >"$WORK/user-files.sums"
msiexec /i "$(windows_path "$x64_msi")" /qn || fail "$version did not install over $older_version ($?)"
installed_from "$ROOT/build-windows-x64/bin" "$x64_msi"
! registered "$(product_code "$older_msi")" || fail "$older_version stayed installed beside $version"
user_files_unchanged "in the upgrade"

say "5. the older version over the newer is refused"
if msiexec /i "$(windows_path "$older_msi")" /qn; then fail "$older_version installed over $version"; fi
! registered "$(product_code "$older_msi")" || fail "$older_version got installed over $version"
installed_from "$ROOT/build-windows-x64/bin" "$x64_msi"
user_files_unchanged "in the refused downgrade"

say "6. the 32-bit package of the same version replaces the 64-bit one"
msiexec /i "$(windows_path "$x86_msi")" /qn || fail "the 32-bit package did not install ($?)"
installed_from "$ROOT/build-windows/bin" "$x86_msi"
! registered "$(product_code "$x64_msi")" || fail "the 64-bit package stayed beside the 32-bit one"
user_files_unchanged "in the change of architecture"

say "7. uninstall: only the user's files stay"
msiexec /x "$(windows_path "$x86_msi")" /qn || fail "msiexec /x /qn failed ($?)"
user_files_unchanged "in the uninstall"
left=$(cd "$install_dir" && find . -mindepth 1)
[ "$left" = "./my notes.txt" ] || fail "the program's folder holds more than the user's file: $left"
# What the user put there is theirs to remove; then everything is as before.
rm "$install_dir/my notes.txt"
rmdir "$install_dir" "$(dirname "$install_dir")"
nothing_left "after the last uninstall"
say "passed: installed, repaired, removed, upgraded, refused a downgrade and changed architecture under 64-bit Wine with /qn"
