#!/usr/bin/env bash
# Builds everything, lays out a demo distribution (setup.exe beside its
# archive) and runs the setup program under wine, on $DISPLAY when set, else
# under Xvfb; leaves screenshots in out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
exec scripts/with-display.sh scripts/run-demo.sh "${@:-all}"
