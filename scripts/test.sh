#!/usr/bin/env bash
# Builds Tavren with its tests and runs them all. The web engine tests need an
# X server, so ctest runs under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
scripts/deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset"
