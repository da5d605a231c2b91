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
# The shipped build: refused input, reproducibility, signature, one run under
# Wine. Its builds run beside the Windows tests, which spend most of their time
# in the update script's pauses; its report follows theirs.
mkdir -p build
tests/release/release_test.sh >build/release-test.log 2>&1 &
release=$!
scripts/with-display.sh ctest --preset windows || status=1
wait "$release" || status=1
cat build/release-test.log
exit $status
