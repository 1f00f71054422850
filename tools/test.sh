#!/usr/bin/env bash
# Builds everything and runs every test: the whole suite, then the core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer. The tests run
# in parallel, as many at a time as the machine has cores.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --sanitize
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
ctest --test-dir build --output-on-failure -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -L core -j "$jobs"
