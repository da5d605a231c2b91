#!/usr/bin/env bash
# The updater's main job on a throwaway Wine prefix holding a made-up Quorvel
# installation: builds the Windows executable, runs it, shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target quorvel-update

demo=build/demo
export WINEPREFIX=$PWD/$demo/prefix WINEDEBUG=-all
rm -rf "$demo"
mkdir -p "$demo"
tests/support/wine-prefix.sh boot "$WINEPREFIX"
install="$WINEPREFIX/drive_c/Program Files/Quorvel"
mkdir -p "$install/Resources"
printf 'Quorvel 2.50 executable\n' >"$install/QZ.exe"
printf 'Quorvel 2.50 library\n' >"$install/qz.dll"
printf 'a resource\n' >"$install/Resources/strings.bin"

scripts/with-display.sh wine build/windows/src/app/quorvel-update.exe
echo "exit code: $?"
echo "Backup folder (C:\\Program Files\\Quorvel\\Version_251_Preupdate_Backups):"
ls -l "$install/Version_251_Preupdate_Backups"
