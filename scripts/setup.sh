#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Safe to run again: apt-get skips what is already there.
#
# Both Windows builds are cross-compiled everywhere; their tests need 64-bit Wine
# (wine64) on every machine and, only where the machine runs 32-bit code at all, the
# i386 architecture and 32-bit Wine (wine32). Elsewhere those would install but never
# start ("Exec format error").
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/lib/packages.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

# Beyond the programs' own (scripts/lib/packages.sh): tests, tools, Wine and packaging.
packages=(
  "${program_packages[@]}" pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  dpkg-dev appstream mandoc man-db lintian zip
  xvfb xdotool x11-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 fonts-wine
  openssl python3 file time
)

if why="$(runs_32bit_code)"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
else
  echo "setup: no 32-bit Wine: this machine runs no 32-bit code ($why)"
fi
install_packages "${packages[@]}"
