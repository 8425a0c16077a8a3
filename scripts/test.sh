#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
#   0. the format check (clang-format, .clang-format),
#   1. the Linux build's tests (unit, cli, slow, and the GUI tests on Qt's offscreen platform),
#   2. the real Linux program driven under Xvfb, and its .deb installed, used and
#      removed with apt-get (needs root or sudo, as the setup does),
#   3. the four Windows program files checked, and the Windows builds' test suites
#      under Wine: the 64-bit build's, and the 32-bit build's, through qemu-i386 where
#      the kernel runs only 64-bit code (TAVRINOLE_WINDOWS_BUILDS=x64 limits it to the
#      64-bit one),
#   4. the Windows installers made, and the 64-bit one installed, repaired, upgraded
#      and removed with msiexec under 64-bit Wine,
#   5. the real Windows programs of the same builds driven under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2
bash scripts/e2e-linux.sh
bash scripts/test-package.sh
bash scripts/test-windows.sh
bash scripts/test-msi.sh
bash scripts/e2e-windows.sh
