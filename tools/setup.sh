#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks (as root), then configures and
# builds Pellmora into build/ with GCC (and, with --sanitize, the core into
# build-asan/ with clang).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-translations-l10n libgtest-dev libgmock-dev
          libbenchmark-dev libftdi1-dev pkg-config xvfb xauth poppler-utils
          dpkg-dev file desktop-file-utils appstream groff-base)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Our own checks: warnings are errors, in the Release build users build.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMORA_WERROR=ON
cmake --build build
if [ "${1:-}" = "--sanitize" ]; then
  # The sanitizer build uses clang, so every run builds the code with both compilers.
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLMORA_SANITIZE=ON -DPELLMORA_CORE_ONLY=ON \
    -DPELLMORA_WERROR=ON
  cmake --build build-asan
fi
