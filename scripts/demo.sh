#!/usr/bin/env bash
# The updater's main job, shown on a throwaway Wine prefix holding a made-up
# Quorvel 2.50 installation: builds the Windows executable, serves a made-up
# "QZv251.exe" from a loopback server, runs the updater on your display (or a
# private Xvfb), saves screenshots of its window and prints what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
demo=$root/build/demo

if [ "${1:-}" != --inside ]; then
  scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target quorvel-update-loopback
  # The test build of the program fetches from 127.0.0.1:8251; a private
  # network keeps that port free whatever else runs here.
  exec scripts/with-display.sh tests/support/in-private-network.sh "$0" --inside
fi

export WINEPREFIX=$demo/prefix WINEDEBUG=-all
rm -rf "$demo"
mkdir -p "$demo/shots"
echo "== Booting a throwaway Wine prefix in $WINEPREFIX"
tests/support/wine-prefix.sh boot "$WINEPREFIX"
drive=$WINEPREFIX/drive_c
install="$drive/Program Files/Quorvel"
prefs="$drive/users/Public/Quorvel"
mkdir -p "$install/Resources" "$prefs"
printf 'MZ Quorvel 2.50 executable\n' >"$install/QZ.exe"
printf 'Quorvel 2.50 library\n' >"$install/qz.dll"
printf 'strings\n' >"$install/Resources/strings.bin"
printf '[Application]\r\nName=Quorvel\r\nVersion=2.50\r\n[Window]\r\nWidth=800\r\n' >"$prefs/qz.inf"
printf '; address book\n[Servers]\nmain = a.example\n' >"$prefs/Addresses.inf"
cp "$prefs/qz.inf" "$demo/qz.inf.before"
cp "$prefs/Addresses.inf" "$demo/Addresses.inf.before"
# The updater installs only a file shaped like a Windows executable.
python3 tests/support/pe_file.py --size 1048576 --seed "$RANDOM" --out "$demo/QZv251.exe"

python3 tests/support/http_test_server.py --port 8251 --port-file "$demo/server.port" \
  --file "$demo/QZv251.exe" &
for _ in $(seq 100); do [ -e "$demo/server.port" ] && break; sleep 0.05; done
trap 'rm -f "$demo/server.port"; wineserver -k 2>/dev/null || true' EXIT

echo "== Running the updater (about 16 s): C:\\Program Files\\Quorvel is updated to 2.51"
start=$(date +%s.%N)
wine build/windows/src/app/quorvel-update-loopback.exe &
updater=$!
# Screenshots at the stages of the script: downloading, downloaded, updating, updated.
for at in 1.0 3.2 6.0 13.0; do
  sleep "$(awk -v at="$at" -v start="$start" -v now="$(date +%s.%N)" 'BEGIN { d = at - (now - start); print (d > 0 ? d : 0) }')"
  import -window root -crop 460x180+80+60 "$demo/shots/at-${at}s.png" 2>/dev/null || true
done
code=0
wait $updater || code=$?
echo "exit code: $code"

show() { printf '%s\n' "$1"; sed 's/\r$/ [CR LF]/' "$2" | sed 's/^/    /'; }
echo
echo "== What changed"
echo "Backup, C:\\Program Files\\Quorvel\\Version_251_Preupdate_Backups:"
ls -l "$install/Version_251_Preupdate_Backups" | sed 1d | sed 's/^/    /'
echo "QZ_previous.exe (the old QZ.exe): $(sha256sum <"$install/QZ_previous.exe" | cut -c1-16)…  old QZ.exe: $(printf 'MZ Quorvel 2.50 executable\n' | sha256sum | cut -c1-16)…"
echo "QZ.exe now:                        $(sha256sum <"$install/QZ.exe" | cut -c1-16)…  served:     $(sha256sum <"$demo/QZv251.exe" | cut -c1-16)…"
show "qz.inf before:" "$demo/qz.inf.before"
show "qz.inf after:" "$prefs/qz.inf"
show "Addresses.inf before:" "$demo/Addresses.inf.before"
show "Addresses.inf after:" "$prefs/Addresses.inf"
echo "Screenshots of the window: $demo/shots/"
ls "$demo/shots" | sed 's/^/    /'
