#!/usr/bin/env bash
# Builds everything and runs every test: the whole suite, then the core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer. The tests run
# in parallel, four per core: most of their time they wait (the simulated
# switch's timing, the programs they start), so more of them than cores
# keep the cores busy.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --sanitize
export QT_QPA_PLATFORM=offscreen
jobs=$(($(nproc) * 4))
ctest --test-dir build --output-on-failure -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -L core -j "$jobs"
