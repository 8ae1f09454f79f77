#!/usr/bin/env bash
# Installs the Debian packages Kaven needs (only the missing ones), then configures and builds.
# Usage: scripts/setup.sh [debug|release]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
    libsqlite3-dev
    libhivex-dev libhivex-bin libwin-hivex-perl
    wine
    xvfb xauth
    openssh-client openssh-server
    clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installiere Pakete: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -- -j"$(nproc)"
