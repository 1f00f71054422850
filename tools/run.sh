#!/usr/bin/env bash
# Builds Pellmora and starts it on the simulated time switch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
if [ -x build/src/app/pellmora ]; then
  # The user folder of these runs is build/run/pellmora: the configuration,
  # the database and about.abg live there, never in the source tree.
  XDG_DATA_HOME="$PWD/build/run" exec build/src/app/pellmora --user-folder --link sim "$@"
fi
exec build/src/cli/pellmora-cli show examples/chodba.plm
