#!/usr/bin/env bash
# Builds the tree with the default preset and runs every test (headless; window tests under Xvfb).
# Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/phase_times.sh
run_phase "install" bash scripts/install-deps.sh
run_phase "layer check" bash scripts/check_layers.sh
run_phase "configure and build" bash -c 'cmake --preset default >/dev/null && cmake --build --preset default'
# Most tests wait on the library's message thread part of the time: twice as many jobs as cores
# keeps the cores busy.
run_phase "default suite" ctest --preset default --parallel "$(( $(nproc) * 2 ))" "$@"
