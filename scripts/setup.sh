#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Safe to run again: apt-get skips what is already there.
#
# Both Windows builds are cross-compiled everywhere; their tests need 64-bit Wine
# (wine64) on every machine and 32-bit Wine (wine32, of the i386 architecture) for the
# 32-bit build. Where the kernel runs only 64-bit code, 32-bit Wine runs through
# qemu-i386 (qemu-user from backports, which starts programs fast enough); where even
# that cannot work (no private binfmt_misc, before Linux 6.7) none of it is installed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/lib/packages.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

# Beyond the programs' own (scripts/lib/packages.sh): tests, tools, Wine and packaging.
packages=(
  "${program_packages[@]}" pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  dpkg-dev appstream mandoc man-db lintian zip wixl msitools diffoscope-minimal
  xvfb xdotool x11-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 fonts-wine
  openssl python3 file time
)

if find_x86_route; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
else
  echo "setup: no 32-bit Wine: $X86_HOW"
fi
install_packages "${packages[@]}"
if [ "$X86_ROUTE" = emulated ]; then
  install_backports_packages qemu-user
fi
