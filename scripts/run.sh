#!/usr/bin/env bash
# Sets up the machine, builds everything and launches the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/bin/tavrinole-ochrel "$@"
