#!/usr/bin/env bash
# Makes the packages users install, in dist/:
#   tavrinole-ochrel_<version>_<arch>.deb   the Linux programs, checked with
#                                            appstreamcli, mandoc and lintian
#   tavrinole-ochrel-<version>-windows.zip  the 64-bit and 32-bit Windows programs,
#                                            each with its command-line tool
#   bash scripts/package.sh [deb|zip]...     (default: both)
# The .deb is built in build-package/ with Debian's hardening flags; the zip takes the
# Windows builds of scripts/build-windows.sh. Needs scripts/setup.sh's packages.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
version=$(sed -n 's/^project(TavrinoleOchrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
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
  cmake --build build-package -j2 --target tavrinole-ochrel tavrinole-ochrel-cli

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

make_zip() {
  bash scripts/build-windows.sh
  local stage=build-package/windows/tavrinole-ochrel-$version-windows
  rm -rf "$stage" && mkdir -p "$stage"
  local bits folder
  for bits in 64 32; do
    folder=build-windows-x64
    [ "$bits" = 32 ] && folder=build-windows
    mkdir -p "$stage/${bits}-bit"
    for exe in Tavrinole-Ochrel.exe tavrinole-ochrel-cli.exe; do
      [ -f "$folder/bin/$exe" ] || fail "$folder/bin/$exe is missing (scripts/build-windows.sh should build it)"
      cp "$folder/bin/$exe" "$stage/${bits}-bit/"
    done
  done
  # Notepad wants CR LF line ends.
  sed "s/\$/\r/" app/windows/README.txt > "$stage/README.txt"
  local zip=dist/tavrinole-ochrel-$version-windows.zip
  rm -f "$zip"
  (cd "$(dirname "$stage")" && zip -q -r -X "$ROOT/$zip" "$(basename "$stage")")
  echo "package: $ROOT/$zip"
}

steps=("$@")
[ "${#steps[@]}" -gt 0 ] || steps=(deb zip)
for step in "${steps[@]}"; do
  case $step in
    deb) make_deb ;;
    zip) make_zip ;;
    *) fail "unknown step '$step' (deb or zip)" ;;
  esac
done
