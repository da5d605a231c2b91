#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only loopback up, so a
# test server can take the fixed port that a test build of the updater
# fetches from, whatever else runs on this machine.
set -euo pipefail
if [ "${QUORVEL_PRIVATE_NETWORK:-}" = 1 ]; then
  ip link set lo up
  exec "$@"
fi
map=()
[ "$(id -u)" -eq 0 ] || map=(--map-root-user)
QUORVEL_PRIVATE_NETWORK=1 exec unshare --net "${map[@]}" "$0" "$@"
