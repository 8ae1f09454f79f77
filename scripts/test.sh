#!/usr/bin/env bash
# Sets up and builds Kaven with the sanitizers, then runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh debug
ctest --preset debug -j2
scripts/fuzz.sh 8
