#!/usr/bin/env bash
# Builds everything and runs every test: the whole suite, then the core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --sanitize
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -L core
