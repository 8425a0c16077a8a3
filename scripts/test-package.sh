#!/usr/bin/env bash
# The Linux package as a user meets it: makes dist/'s .deb (scripts/package.sh deb),
# installs it with apt-get, runs the installed tool from /usr/bin, finds both manual
# pages, the menu entry, the icons and the bash completion, then removes the package
# and checks that none of its files stay behind. Needs root or sudo (apt-get), and
# refuses to run where the package is already installed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
source scripts/lib/packages.sh
source scripts/lib/release.sh
package=tavrinole-ochrel
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-package.XXXXXX")"
installed_here=0

fail() {
  echo "test-package: FAILED: $*" >&2
  exit 1
}
is_installed() {
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"
}
cleanup() {
  if [ "$installed_here" = 1 ] && is_installed; then
    as_root apt-get remove -y -q "$package" >/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

if is_installed; then
  echo "test-package: $package is installed on this machine; remove it first" >&2
  exit 1
fi
bash scripts/package.sh deb
version=$(project_version)
deb=./dist/${package}_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "$deb was not made"

# Install: apt-get fetches what the package declares it needs.
installed_here=1
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
is_installed || fail "apt-get did not install $deb"
dpkg-query -L "$package" > "$WORK/files"

# The tool from /usr/bin: its version, and a round trip through it.
[ "$(command -v tavrinole-ochrel-cli)" = /usr/bin/tavrinole-ochrel-cli ] ||
  fail "tavrinole-ochrel-cli is not found in /usr/bin"
version_line=$(/usr/bin/tavrinole-ochrel-cli --version)
[[ $version_line == "tavrinole-ochrel-cli $version "* ]] || fail "--version printed '$version_line'"
head -c 100000 /dev/urandom > "$WORK/in"
printf 'TIGER2X5\n' > "$WORK/pw"
/usr/bin/tavrinole-ochrel-cli --quiet --password-file "$WORK/pw" -o "$WORK/encoded" "$WORK/in"
/usr/bin/tavrinole-ochrel-cli --quiet --password-file "$WORK/pw" -o "$WORK/decoded" "$WORK/encoded"
! cmp -s "$WORK/in" "$WORK/encoded" || fail "the installed tool left its input as it was"
cmp -s "$WORK/in" "$WORK/decoded" || fail "the installed tool did not give its input back"
[ -x /usr/bin/tavrinole-ochrel ] || fail "the desktop program is not in /usr/bin"

# Manual pages, menu entry, metainfo, icons, completion.
for page in tavrinole-ochrel-cli tavrinole-ochrel; do
  where=$(man -w "$page") || fail "man -w $page finds no page"
  [ "$where" = "/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page gave $where"
done
man -P cat tavrinole-ochrel-cli 2>/dev/null | grep -q -- "--password-file" ||
  fail "the manual page does not show the options"
for f in /usr/share/applications/example.tavrinole.ochrel.desktop \
  /usr/share/metainfo/example.tavrinole.ochrel.metainfo.xml \
  /usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/tavrinole-ochrel.png; do
  [ -f "$f" ] || fail "$f is missing"
done
completed=$(bash -c 'source /usr/share/bash-completion/completions/tavrinole-ochrel-cli
  COMP_WORDS=(tavrinole-ochrel-cli --pass); COMP_CWORD=1; _tavrinole_ochrel_cli
  echo "${COMPREPLY[*]}"')
[ "$completed" = "--password-file" ] || fail "bash completion gave '$completed' for --pass"
completed=$(bash -c 'source /usr/share/bash-completion/completions/tavrinole-ochrel-cli
  COMP_WORDS=(tavrinole-ochrel-cli --output-d); COMP_CWORD=1; _tavrinole_ochrel_cli
  echo "${COMPREPLY[*]}"')
[ "$completed" = "--output-dir" ] || fail "bash completion gave '$completed' for --output-d"
mkdir -p "$WORK/spaced/my folder" && : > "$WORK/spaced/my report.pdf"
completed=$(cd "$WORK/spaced" && bash -c 'source /usr/share/bash-completion/completions/tavrinole-ochrel-cli
  for words in "-o x my" "--output-dir my"; do
    read -ra COMP_WORDS <<< "tavrinole-ochrel-cli $words"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _tavrinole_ochrel_cli; printf "[%s]\n" "${COMPREPLY[@]}" | sort | tr -d "\n"
  done')
[ "$completed" = "[my folder][my report.pdf][my folder]" ] ||
  fail "bash completion split names with spaces: $completed"

# Remove: nothing of the package's own stays.
as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q "$package"
! is_installed || fail "apt-get did not remove $package"
installed_here=0
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then fail "$path stayed after the removal"; fi
done < "$WORK/files"
echo "test-package: installed, ran, found the manual pages and removed $deb"
