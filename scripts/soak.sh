#!/usr/bin/env bash
# The long soak run: two kaven-reg writers and a watch on one store, killed and restarted at random
# for SECONDS (default 300), then the store's integrity and every reported change are checked.
# Usage: scripts/soak.sh [SECONDS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset debug >/dev/null
cmake --build --preset debug --target TestSoak -- -j"$(nproc)" >/dev/null
export KAVEN_SOAK_SECONDS="${1:-300}" ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
[ -n "${2:-}" ] && export KAVEN_SOAK_SEED="$2"
build/debug/tests/soak/TestSoak
