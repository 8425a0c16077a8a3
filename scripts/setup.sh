#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
source "$(dirname "$0")/lib/packages.sh"

# Beyond the programs' own (scripts/lib/packages.sh): tests, tools, Wine and packaging.
packages=(
  "${program_packages[@]}" pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  dpkg-dev appstream mandoc man-db lintian zip
  xvfb xdotool x11-utils imagemagick
  g++-mingw-w64-i686 mingw-w64-tools
  wine wine32 fonts-wine
  openssl python3 file time
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
install_packages "${packages[@]}"
