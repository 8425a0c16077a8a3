#!/usr/bin/env bash
# Sets up the machine, builds everything and launches the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -x build/bin/tavrinole-ochrel ]; then
  exec build/bin/tavrinole-ochrel "$@"
elif [ -x build/bin/tavrinole-ochrel-cli ]; then
  exec build/bin/tavrinole-ochrel-cli "${@:---help}"
else
  echo "Built the keystream engine; the programs are not there yet. Running its tests:"
  exec build/bin/engine_reference_tests --gtest_brief=1
fi
