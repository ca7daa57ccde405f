#!/usr/bin/env bash
# Builds the tree and starts the game on the generated data set (or in the data folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target horundel
exec ./build/default/game/horundel/horundel "$@"
