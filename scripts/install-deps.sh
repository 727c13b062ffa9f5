#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Kairodex
# needs, or, given package names, just those. Safe to run again: when
# everything is there it changes nothing.
set -euo pipefail

packages=("$@")
[ ${#packages[@]} -gt 0 ] || packages=(
    # build, and the layout check (scripts/format-check.sh)
    g++ cmake ninja-build pkgconf clang-format
    # the window program: Qt 6 widgets, its offscreen and X11 platform plugins,
    # Qt's own Chinese texts, a font with Chinese characters, and the desktop's "open with" helper
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev fonts-wqy-microhei xdg-utils
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # a virtual display for looking at the window without a desktop
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages are installed"
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
