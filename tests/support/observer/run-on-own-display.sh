#!/usr/bin/env bash
# CTest's emulator for Windows tests that put windows on the screen: runs the
# test under Wine (wine-run.sh) on an X display of its own, so that no other
# test's windows cover its windows, and once more, on a fresh wineserver, when
# Wine started without its desktop (about one start in 20 to 30 under Xvfb).
#   run-on-own-display.sh <test.exe> [arguments...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_once() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  local xvfb=$!
  for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  DISPLAY=":$(head -n1 "$work/display")" "$here/../wine-run.sh" "$@" 2>"$work/errors"
  local rc=$?
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  cat "$work/errors" >&2
  return $rc
}

run_once "$@"
rc=$?
# 125: the test found no desktop to put a window on.
if [ $rc -eq 125 ] || grep -q "explorer process failed to start" "$work/errors"; then
  echo "run-on-own-display: Wine started without its desktop; running again on a fresh wineserver" >&2
  run_once "$@"
  rc=$?
fi
exit $rc
