#!/usr/bin/env bash
# The shipped build as a vendor makes it with scripts/release.sh:
#   - bad input is refused with a message and leaves no executable;
#   - two copies of the source at different paths build byte-identical
#     unsigned executables;
#   - it starts on the oldest Windows the README names (7 SP1, 64-bit): its
#     header asks for no newer one, and it does not import
#     SetDefaultDllDirectories, which Windows 7 lacks without KB2533623;
#   - the signed one verifies against its certificate (and not another), holds
#     the unsigned build's bytes under its signature, and still updates an
#     installation under Wine.
#   tests/release/release_test.sh [WORK]   (default build/release-test)
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
work=$(realpath -m "${1:-build/release-test}")
failures=0
check() { # check DESCRIPTION COMMAND...: one verdict line
  if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}

if [ "${2:-}" = --wine-run ]; then
  # Inside a private network and a display: one update by the signed build.
  export WINEPREFIX=$work/prefix WINEDEBUG=-all
  tests/support/wine-prefix.sh boot "$WINEPREFIX"
  install=$WINEPREFIX/drive_c/Program\ Files/Quorvel
  # A preferences folder, so no message box waits for a click: through the
  # link to ProgramData that the prefix has, as on Windows.
  mkdir -p "$install" "$WINEPREFIX/drive_c/users/All Users/Quorvel"
  printf 'MZ old\n' >"$install/QZ.exe"
  python3 tests/support/http_test_server.py --port 8251 --port-file "$work/server.port" \
    --file "$work/QZv251.exe" --lifetime 120 &
  for _ in $(seq 100); do [ -e "$work/server.port" ] && break; sleep 0.05; done
  timeout 90 wine "$work/a/build/release/quorvel-update.exe"
  code=$?
  rm -f "$work/server.port"
  wineserver -k 2>/dev/null
  check "the signed build exits with 0 under Wine (got $code)" test "$code" -eq 0
  check "the signed build put the served file in place of QZ.exe" cmp -s "$install/QZ.exe" "$work/QZv251.exe"
  exit $((failures > 0))
fi

rm -rf "$work"
mkdir -p "$work"
python3 tests/support/pe_file.py --size 65536 --seed 11 --out "$work/QZv251.exe"
for name in signer stranger; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quorvel release test $name" \
    -keyout "$work/$name.key" -out "$work/$name.pem" 2>/dev/null
done

# --- Refused input: message, exit status, and no executable left behind -----
printf '<html>captive portal</html>\n' >"$work/page.html"
{ printf 'MZ'; head -c 58 /dev/zero; printf '\x00\x10\x00\x00'; head -c 100 /dev/zero; } >"$work/offset-past-end.exe"
{ printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00NE\x00\x00'; } >"$work/no-pe-signature.exe"
mkdir -p "$work/a-folder.exe"
good=(--new-exe "$work/QZv251.exe")
refusals=(
  "missing file|does not exist|--host h.example --new-exe $work/none.exe"
  "folder as file|cannot be read|--host h.example --new-exe $work/a-folder.exe"
  "HTML page|not a Windows executable|--host h.example --new-exe $work/page.html"
  "PE offset past the end|not a Windows executable|--host h.example --new-exe $work/offset-past-end.exe"
  "no PE signature|not a Windows executable|--host h.example --new-exe $work/no-pe-signature.exe"
  "host with scheme|holds a scheme|--host http://h.example ${good[*]}"
  "host with path|holds a path|--host h.example/downloads ${good[*]}"
  "port out of range|port must be|--host h.example:70000 ${good[*]}"
  "certificate without key|both --sign-cert and --sign-key|--host h.example ${good[*]} --sign-cert $work/signer.pem"
  "key of another certificate|does not belong|--host h.example ${good[*]} --sign-cert $work/signer.pem --sign-key $work/stranger.key"
)
for row in "${refusals[@]}"; do
  IFS='|' read -r what message arguments <<<"$row"
  mkdir -p "$work/refused"
  touch "$work/refused/quorvel-update.exe" # a stale one must go too
  # shellcheck disable=SC2086 # the arguments hold no spaces
  scripts/release.sh $arguments --build-dir "$work/refused" >"$work/refused.out" 2>&1
  code=$?
  check "refused: $what" grep -qF "$message" "$work/refused.out"
  check "refused: $what: exit status $code, no executable" \
    test "$code" -ne 0 -a ! -e "$work/refused/quorvel-update.exe" -a ! -d "$work/refused/tree"
done

# --- Two copies at different paths, one build each --------------------------
# One snapshot of the working tree (tracked and new files; others may be
# editing it meanwhile), unpacked twice.
git ls-files -z -co --exclude-standard |
  tar -cf "$work/source.tar" --null --ignore-failed-read -T - 2>/dev/null
for copy in "$work/a" "$work/elsewhere/b"; do mkdir -p "$copy" && tar -xf "$work/source.tar" -C "$copy"; done
(cd "$work/a" && scripts/release.sh --host 127.0.0.1:8251 "${good[@]}" \
  --sign-cert "$work/signer.pem" --sign-key "$work/signer.key") >"$work/a.out" 2>&1
check "signed release builds (see $work/a.out)" test $? -eq 0
(cd "$work/elsewhere/b" && scripts/release.sh --host 127.0.0.1:8251 "${good[@]}") >"$work/b.out" 2>&1
check "unsigned release builds (see $work/b.out)" test $? -eq 0
a=$work/a/build/release b=$work/elsewhere/b/build/release
check "builds at two paths are byte-identical" cmp "$a/quorvel-update.unsigned.exe" "$b/quorvel-update.exe"
pin=$(sha256sum <"$work/QZv251.exe" | cut -c1-64)
for fact in "requireAdministrator" "common controls    6.0.0.0" "$pin" "CN=Quorvel release test signer"; do
  check "summary shows $fact" grep -qF "$fact" "$work/a.out"
done

# --- What the loader of Windows 7 SP1 asks of it ------------------------------
x86_64-w64-mingw32-objdump -p "$b/quorvel-update.exe" >"$work/headers.txt" 2>&1
# shellcheck disable=SC2317 # called through check
kernel32_without_default_directories() {
  grep -q 'DLL Name: KERNEL32.dll' "$work/headers.txt" && ! grep -qw SetDefaultDllDirectories "$work/headers.txt"
}
check "imports kernel32 without SetDefaultDllDirectories" kernel32_without_default_directories
for field in "MajorSubsystemVersion	6" "MinorSubsystemVersion	1"; do
  check "header: $field" grep -qx "$field" "$work/headers.txt"
done

# --- The signature ------------------------------------------------------------
osslsigncode verify -CAfile "$work/signer.pem" -in "$a/quorvel-update.exe" >"$work/verify.out" 2>&1
check "signature verifies against its certificate" test $? -eq 0
osslsigncode verify -CAfile "$work/stranger.pem" -in "$a/quorvel-update.exe" >/dev/null 2>&1
check "signature does not verify against another certificate" test $? -ne 0
osslsigncode extract-signature -in "$a/quorvel-update.exe" -out "$work/signature.der" >/dev/null 2>&1
openssl asn1parse -inform DER -in "$work/signature.der" >"$work/signature.txt" 2>&1
# shellcheck disable=SC2317 # called through check
sha256_only() { grep -q ':sha256 *$' "$work/signature.txt" && ! grep -qi ':sha1' "$work/signature.txt"; }
check "signature digests with SHA-256, nowhere SHA-1" sha256_only
check "signature names the program" grep -qaF "Quorvel updater 2.51" "$work/signature.der"
osslsigncode remove-signature -in "$a/quorvel-update.exe" -out "$work/stripped.exe" >/dev/null 2>&1
check "the signed file less its signature is the unsigned build" cmp "$work/stripped.exe" "$b/quorvel-update.exe"

scripts/with-display.sh tests/support/in-private-network.sh "$0" "$work" --wine-run || failures=$((failures + 1))
[ $failures -eq 0 ] && echo "release tests: all passed" || echo "release tests: $failures failed"
exit $((failures > 0))
