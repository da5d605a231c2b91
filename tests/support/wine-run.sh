#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one test executable under Wine in
# a prefix of its own, cloned from the booted template.
set -uo pipefail
exe=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
prefix=${QUORVEL_WINE_PREFIXES:?}/$(basename "$exe" .exe)
"$here/wine-prefix.sh" clone "${QUORVEL_WINE_TEMPLATE:?}" "$prefix" || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all
wine "$exe" "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
