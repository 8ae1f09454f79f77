#!/usr/bin/env bash
# Sets up and builds Kaven, fills a new store with the example registry, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh release
bin=build/release/src/app
store="${KAVEN_REGISTRY:-${XDG_DATA_HOME:-$HOME/.local/share}/kaven/registry.db}"
if [ ! -e "$store" ]; then
    mkdir -p "$(dirname "$store")"
    "$bin/kaven-reg" --registry "$store" import examples/beispiel.reg
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kein Bildschirm gefunden; Kaven startet unter Xvfb." >&2
    exec xvfb-run -a "$bin/kaven" --registry "$store" "$@"
fi
exec "$bin/kaven" --registry "$store" "$@"
