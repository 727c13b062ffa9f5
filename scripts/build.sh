#!/usr/bin/env bash
# Configures and builds the default preset (programs land in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default
