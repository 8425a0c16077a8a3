#!/usr/bin/env bash
# Makes the release files, in dist/:
#   tavrinole-ochrel_<version>_<arch>.deb   the Linux programs, checked with
#                                            appstreamcli, mandoc and lintian
#   tavrinole-ochrel-<version>-windows.zip  the 64-bit and 32-bit Windows programs,
#                                            each with its command-line tool
#   tavrinole-ochrel-<version>-x64.msi      the per-user Windows installers, one for
#   tavrinole-ochrel-<version>-x86.msi      each architecture (wixl)
#   SHA256SUMS                               the checksum of each of them
#   bash scripts/package.sh [deb|zip|msi]...  (default: all three)
# The .deb is built in build-package/ with Debian's hardening flags; the zip and the
# installers take the Windows programs of scripts/build-windows.sh, checked by
# scripts/check-windows-exe.sh. Every file carries the time SOURCE_DATE_EPOCH (the
# caller's, or the changelog's latest entry), never the time of the build, so the same
# sources give the same bytes (scripts/check-reproducible.sh). SHA256SUMS is written
# after every run that leaves all release files in dist/; a run of all of them fails,
# naming the file, where one is missing. Needs scripts/setup.sh's packages.
set -euo pipefail
# The usual modes, whatever the caller's umask: cpack gives the .deb's members the
# umask's.
umask 022
cd "$(dirname "$0")/.."
ROOT=$PWD
source scripts/lib/release.sh
source scripts/lib/windows-builds.sh
version=$(project_version)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
use_release_epoch
mkdir -p dist

fail() {
  echo "package: $*" >&2
  exit 1
}

make_deb() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  local launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTAVRINOLE_TESTS=OFF -DTAVRINOLE_BENCH=OFF "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
  # Not with ccache's base folder: ccache would make the folder in -ffile-prefix-map
  # relative, which then maps nothing, and the folder would reach the debug data and,
  # through it, the programs' build ids.
  env -u CCACHE_BASEDIR cmake --build build-package -j2 --target tavrinole-ochrel tavrinole-ochrel-cli

  appstreamcli validate --no-net app/linux/example.tavrinole.ochrel.metainfo.xml
  mandoc -Tlint -Wwarning cli/tavrinole-ochrel-cli.1 app/linux/tavrinole-ochrel.1 ||
    fail "mandoc finds faults in the manual pages"

  rm -f build-package/*.deb
  (cd build-package && cpack -G DEB)
  local deb
  deb=$(ls build-package/tavrinole-ochrel_"$version"_*.deb) || fail "cpack made no .deb"
  mv "$deb" dist/
  deb=dist/$(basename "$deb")
  # Errors and warnings fail the package; the README lists the notes left and why.
  lintian --fail-on error,warning "$deb"
  echo "package: $ROOT/$deb"
}

# Both Windows programs and their command-line tools, built and checked once a run.
windows_built=0
build_windows_programs() {
  [ "$windows_built" = 0 ] || return 0
  bash scripts/build-windows.sh --programs
  local folder exe
  for folder in build-windows build-windows-x64; do
    for exe in Tavrinole-Ochrel.exe tavrinole-ochrel-cli.exe; do
      [ -f "$folder/bin/$exe" ] || fail "$folder/bin/$exe is missing (scripts/build-windows.sh should build it)"
    done
  done
  check_windows_exes || fail "a Windows program file fails its check"
  windows_built=1
}

make_zip() {
  build_windows_programs
  local stage=build-package/windows/tavrinole-ochrel-$version-windows
  rm -rf "$stage" && mkdir -p "$stage"
  local bits folder
  for bits in 64 32; do
    folder=build-windows-x64
    [ "$bits" = 32 ] && folder=build-windows
    mkdir -p "$stage/${bits}-bit"
    cp "$folder/bin/Tavrinole-Ochrel.exe" "$folder/bin/tavrinole-ochrel-cli.exe" "$stage/${bits}-bit/"
  done
  # Notepad wants CR LF line ends.
  sed "s/\$/\r/" app/windows/README.txt > "$stage/README.txt"
  # The same bytes from every build: the same modes and times for every entry, the
  # entries in one order, the times in UTC, and no owners or extra times (-X).
  chmod -R u=rwX,go=rX "$stage"
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  local zip=dist/tavrinole-ochrel-$version-windows.zip
  rm -f "$zip"
  (cd "$(dirname "$stage")" && find "$(basename "$stage")" | LC_ALL=C sort |
    TZ=UTC zip -q -X -@ "$ROOT/$zip")
  echo "package: $ROOT/$zip"
}

make_msis() {
  build_windows_programs
  local arch folder msi
  for arch in x64 x86; do
    folder=build-windows-x64
    [ "$arch" = x86 ] && folder=build-windows
    msi=dist/tavrinole-ochrel-$version-$arch.msi
    rm -f "$msi"
    make_msi "$arch" "$folder/bin" "$msi" || fail "could not make $msi"
    echo "package: $ROOT/$msi"
  done
}

# Writes dist/SHA256SUMS for every release file. Where one is missing, a run of all
# steps fails naming it; a run of some leaves no SHA256SUMS, which would be stale.
write_checksums() {
  local all=$1 name missing=""
  local names=()
  mapfile -t names < <(release_files "$version")
  for name in "${names[@]}"; do
    [ -f "dist/$name" ] || { missing=$name; break; }
  done
  if [ -n "$missing" ]; then
    rm -f dist/SHA256SUMS
    [ "$all" = 1 ] && fail "dist/$missing is missing, so there is no SHA256SUMS"
    echo "package: no dist/SHA256SUMS: dist/$missing is missing (bash scripts/package.sh makes all)"
    return 0
  fi
  (cd dist && sha256sum -- "${names[@]}" > SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)
  echo "package: $ROOT/dist/SHA256SUMS"
}

steps=("$@")
all=0
if [ "${#steps[@]}" -eq 0 ]; then
  steps=(deb zip msi)
  all=1
fi
for step in "${steps[@]}"; do
  case $step in
    deb) make_deb ;;
    zip) make_zip ;;
    msi) make_msis ;;
    *) fail "unknown step '$step' (deb, zip or msi)" ;;
  esac
done
write_checksums "$all"
