#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the layout check
# first (cheap), then the default build and its tests, the same tests built
# with the address and undefined-behaviour sanitizers (preset "debug"), the
# Linux package, and the Windows side. The presets build with
# KAIRODEX_WERROR=ON, so a new compiler warning fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format-check.sh
scripts/build.sh
ctest --preset default

echo "test: sanitizer build (build-debug/)"
started=$(date +%s)
cmake --preset debug >/dev/null
cmake --build --preset debug -j 2
ctest --preset debug
echo "test: sanitizer build and tests in $(( $(date +%s) - started )) s"

scripts/linux-package-check.sh
scripts/windows-check.sh
