#!/usr/bin/env bash
# Builds the tree with the default preset and runs every test (headless; window tests under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check_layers.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default --parallel "$(nproc)" "$@"
