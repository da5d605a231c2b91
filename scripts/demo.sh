#!/usr/bin/env bash
# The updater's main job, shown on a throwaway Wine prefix holding a made-up
# Quorvel 2.50 installation: makes a made-up "QZv251.exe", builds the shipped
# updater for it with scripts/release.sh (pinned to that file, signed with a
# throwaway certificate), serves the file from a loopback server, runs the
# updater on your display (or a private Xvfb), saves a screenshot of its window
# at each stage it shows and prints what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
demo=$root/build/demo
observer=$demo/tools/tests/support/observer/quorvel-observer.exe

if [ "${1:-}" != --inside ]; then
  scripts/setup.sh
  mkdir -p "$demo"
  # The updater installs only a file shaped like a Windows executable.
  python3 tests/support/pe_file.py --size 1048576 --seed "$RANDOM" --out "$demo/QZv251.exe"
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quorvel demo signer (throwaway)" \
    -keyout "$demo/signer.key" -out "$demo/signer.pem" 2>/dev/null
  # The loopback server of the private network below listens on 127.0.0.1:8251.
  scripts/release.sh --host 127.0.0.1:8251 --new-exe "$demo/QZv251.exe" \
    --sign-cert "$demo/signer.pem" --sign-key "$demo/signer.key" --build-dir "$demo/release"
  # The observer reads the window's texts from outside: each stage is shot
  # when it shows, however slowly Wine starts.
  echo "== Building the window observer in $demo/tools"
  cmake -S . -B "$demo/tools" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$demo/tools" -j2 --target quorvel-observer >/dev/null
  # A private network keeps port 8251 free whatever else runs here.
  exec scripts/with-display.sh tests/support/in-private-network.sh "$0" --inside
fi

export WINEPREFIX=$demo/prefix WINEDEBUG=-all
rm -rf "$demo/prefix" "$demo/shots" "$demo/timeline.txt"
mkdir -p "$demo/shots"
echo "== Booting a throwaway Wine prefix in $WINEPREFIX"
tests/support/wine-prefix.sh boot "$WINEPREFIX"
# Wine here reads fonts from the prefix's Fonts folder, not from where
# fonts-wine puts them: without Marlett a caption's close box is drawn as an "r".
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
drive=$WINEPREFIX/drive_c
install="$drive/Program Files/Quorvel"
# C:\Users\All Users is the link to C:\ProgramData, as on every Windows.
prefs="$drive/users/All Users/Quorvel"
mkdir -p "$install/Resources" "$prefs"
printf 'MZ Quorvel 2.50 executable\n' >"$install/QZ.exe"
printf 'Quorvel 2.50 library\n' >"$install/qz.dll"
printf 'strings\n' >"$install/Resources/strings.bin"
printf '[Application]\r\nName=Quorvel\r\nVersion=2.50\r\n[Window]\r\nWidth=800\r\n' >"$prefs/qz.inf"
printf '; address book\n[Servers]\nmain = a.example\n' >"$prefs/Addresses.inf"
cp "$prefs/qz.inf" "$demo/qz.inf.before"
cp "$prefs/Addresses.inf" "$demo/Addresses.inf.before"
python3 tests/support/http_test_server.py --port 8251 --port-file "$demo/server.port" \
  --file "$demo/QZv251.exe" &
for _ in $(seq 100); do [ -e "$demo/server.port" ] && break; sleep 0.05; done
trap 'rm -f "$demo/server.port"; wineserver -k 2>/dev/null || true' EXIT

echo "== Running the updater (about 16 s): C:\\Program Files\\Quorvel is updated to 2.51"
timeline=$demo/timeline.txt
touch "$timeline"
wine "$observer" watch --title "Checking for Updates" --title Error --click-ok --timeout 90000 \
  --out "Z:${timeline//\//\\}" -- "Z:${demo//\//\\}\\release\\quorvel-update.exe" &
watcher=$!
# Each new status line is a stage: shot once the window has drawn it. The
# window's place comes from the observer's record of it.
stage=0 crop=""
declare -A shot=()
while read -r line; do
  case $line in
  *" window "*rect=*)
    read -r left top right bottom <<<"$(sed -E 's/.* rect=([-0-9]+),([-0-9]+),([-0-9]+),([-0-9]+).*/\1 \2 \3 \4/' <<<"$line")"
    crop=$((right - left + 40))x$((bottom - top + 40))+$((left - 20))+$((top - 20))
    ;;
  *" control "*class=\"msctls_progress32\"*) ;;
  *" control "*text=\"?*)
    text=$(sed -E 's/.* text="(([^"\\]|\\.)*)".*/\1/' <<<"$line")
    [ -z "${shot[$text]:-}" ] || continue
    shot[$text]=1
    stage=$((stage + 1))
    name=$(printf '%d-%s' "$stage" "$text" | tr '[:upper:]' '[:lower:]' | tr -cs 'a-z0-9-' '-' | sed 's/-$//')
    import -window root ${crop:+-crop "$crop"} "$demo/shots/$name.png" 2>/dev/null || true
    echo "   shot: $text"
    ;;
  *" exited "*) echo "exit code: ${line##*code=}" ;;
  *" stopped"* | *" timeout"*) break ;;
  esac
done < <(tail -n +1 -f --pid="$watcher" "$timeline")
wait $watcher || true

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
echo "Screenshots of the window at each stage: $demo/shots/"
ls "$demo/shots" | sed 's/^/    /'
