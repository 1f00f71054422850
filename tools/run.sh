#!/usr/bin/env bash
# Builds Pellmora and starts it on the simulated time switch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
if [ -x build/src/app/pellmora ]; then
  exec build/src/app/pellmora --link sim "$@"
fi
exec build/src/cli/pellmora-cli show examples/chodba.plm
