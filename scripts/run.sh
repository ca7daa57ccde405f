#!/usr/bin/env bash
# Builds the tree and starts the main program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target zelvo_demo
exec ./build/default/demo/zelvo_demo "$@"
