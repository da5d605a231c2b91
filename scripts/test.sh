#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test: natively,
# then the Windows build under Wine (with a display for the window tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

status=0
for preset in native windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ctest --preset native || status=1
scripts/with-display.sh ctest --preset windows || status=1
# The shipped build: refused input, reproducibility, signature, one run under Wine.
tests/release/release_test.sh || status=1
exit $status
