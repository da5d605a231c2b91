#!/usr/bin/env bash
# Builds the one file a vendor ships: quorvel-update.exe fetching from HOST and
# installing only FILE (its SHA-256 is built in), from a clean build folder;
# signs it when a certificate and its key are given; prints what it holds.
#
#   scripts/release.sh --host HOST --new-exe FILE [--sign-cert CERT.pem --sign-key KEY.pem]
#                      [--build-dir DIR]
#
# The result is DIR/quorvel-update.exe (DIR defaults to build/release); when
# signed, the unsigned build stays beside it as quorvel-update.unsigned.exe.
# Bad input stops it with a message before anything is built, and leaves no
# executable in DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
  echo "release: $*" >&2
  exit 2
}

host="" new_exe="" cert="" key="" out_dir=$root/build/release
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || fail "$1 needs a value"
  case $1 in
  --host) host=$2 ;;
  --new-exe) new_exe=$(realpath -m "$2") ;;
  --sign-cert) cert=$(realpath -m "$2") ;;
  --sign-key) key=$(realpath -m "$2") ;;
  --build-dir) out_dir=$(realpath -m "$2") ;;
  *) fail "unknown option $1 (see the head of $0)" ;;
  esac
  shift 2
done
# Paths above are the caller's; from here on everything runs in the source tree.
cd "$root"

output=$out_dir/quorvel-update.exe
unsigned=$out_dir/quorvel-update.unsigned.exe
rm -f "$output" "$unsigned"

# --- What was asked for -------------------------------------------------------
[ -n "$host" ] || fail "--host is missing: the download server's host name, optionally with :port"
[ -n "$new_exe" ] || fail "--new-exe is missing: the QZv251.exe the server will hold"
case $host in
*://*) fail "--host \"$host\" holds a scheme: give the host alone (the updater always fetches http://HOST/downloads/QZv251.exe)" ;;
*/*) fail "--host \"$host\" holds a path: give the host alone (the updater always fetches http://HOST/downloads/QZv251.exe)" ;;
esac
[[ $host =~ ^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]{1,5})?$ ]] ||
  fail "--host \"$host\" is not a host name or address with an optional :port"
if [[ $host =~ :([0-9]+)$ ]] && { [ "${BASH_REMATCH[1]}" -eq 0 ] || [ "${BASH_REMATCH[1]}" -gt 65535 ]; }; then
  fail "--host \"$host\": the port must be 1 to 65535"
fi

[ -e "$new_exe" ] || fail "--new-exe $new_exe does not exist"
{ [ -f "$new_exe" ] && [ -r "$new_exe" ] && head -c 1 "$new_exe" >/dev/null 2>&1; } ||
  fail "--new-exe $new_exe cannot be read as a file"
# The updater installs only a file that starts with "MZ" and holds "PE\0\0"
# where the little-endian offset at 0x3C points: a pin on anything else would
# build an updater that can never succeed.
size=$(stat -c %s "$new_exe")
pe_offset=""
[ "$size" -lt 64 ] || pe_offset=$(od -An -tu4 -j60 -N4 "$new_exe" | tr -d ' ')
if [ "$(head -c 2 "$new_exe")" != MZ ] || [ -z "$pe_offset" ] || [ $((pe_offset + 4)) -gt "$size" ] ||
  [ "$(od -An -tx1 -j"$pe_offset" -N4 "$new_exe" | tr -d ' ')" != 50450000 ]; then
  fail "--new-exe $new_exe is not a Windows executable (no MZ header with a PE signature)"
fi
pin=$(sha256sum <"$new_exe" | cut -c1-64)

if [ -n "$cert$key" ]; then
  { [ -n "$cert" ] && [ -n "$key" ]; } || fail "signing needs both --sign-cert and --sign-key"
  for file in "$cert" "$key"; do
    { [ -f "$file" ] && [ -r "$file" ]; } || fail "$file does not exist or cannot be read"
  done
fi

scripts/setup.sh

if [ -n "$cert" ]; then
  cert_key=$(openssl x509 -in "$cert" -noout -pubkey 2>/dev/null) ||
    fail "--sign-cert $cert is not a PEM certificate"
  key_key=$(openssl pkey -in "$key" -pubout -passin pass: 2>/dev/null </dev/null) ||
    fail "--sign-key $key is not an unencrypted PEM private key"
  [ "$cert_key" = "$key_key" ] || fail "--sign-key $key does not belong to the certificate $cert"
fi

# --- Build --------------------------------------------------------------------
tree=$out_dir/tree
rm -rf "$tree"
mkdir -p "$out_dir"
echo "== Building quorvel-update.exe for $host in $tree"
cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DQUORVEL_DOWNLOAD_HOST="$host" -DQUORVEL_DOWNLOAD_SHA256="$pin" >/dev/null
cmake --build "$tree" -j2 --target quorvel-update >/dev/null
built=$tree/src/app/quorvel-update.exe

# The settings are in the program as plain strings; a build that lost one is
# not shipped.
grep -qaF "$host" "$built" || fail "the build does not hold the host $host"
grep -qaF "$pin" "$built" || fail "the build does not hold the pin $pin"

signer=""
if [ -n "$cert" ]; then
  cp "$built" "$unsigned"
  osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Quorvel updater 2.51" \
    -in "$unsigned" -out "$output.part" >/dev/null || fail "osslsigncode could not sign the build"
  mv "$output.part" "$output"
  signer=$(openssl x509 -in "$cert" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
else
  cp "$built" "$output"
fi

# --- Summary ------------------------------------------------------------------
dlls=$(x86_64-w64-mingw32-objdump -p "$output" | sed -n 's/^\s*DLL Name: //p' | sort -f | paste -sd ' ')
manifest=$(python3 - "$output" <<'EOF'
import re, sys
import xml.etree.ElementTree as ET
data = open(sys.argv[1], "rb").read()
found = re.search(rb"<assembly\b.*?</assembly>", data, re.S)
if not found:
    sys.exit("no manifest")
ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3"}
tree = ET.fromstring(found.group(0))
level = tree.find(".//v3:requestedExecutionLevel", ns)
controls = [i for i in tree.iterfind(".//v1:dependentAssembly/v1:assemblyIdentity", ns)
            if i.get("name") == "Microsoft.Windows.Common-Controls"]
print(level.get("level") if level is not None else "none",
      controls[0].get("version") if controls else "none")
EOF
) || fail "the build holds no readable manifest"

echo "== Release"
printf '%-18s %s\n' "file" "${output#"$root"/}" \
  "size" "$(stat -c %s "$output") bytes" \
  "SHA-256" "$(sha256sum <"$output" | cut -c1-64)" \
  "imports" "$dlls" \
  "execution level" "${manifest% *}" \
  "common controls" "${manifest#* }" \
  "download host" "$host (http://$host/downloads/QZv251.exe)" \
  "pin (SHA-256)" "$pin ($(basename "$new_exe"), $size bytes)" \
  "toolchain" "$(dpkg-query -W -f='${Package} ${Version}  ' g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)"
if [ -n "$signer" ]; then
  printf '%-18s %s\n' "signed by" "$signer (Authenticode, SHA-256)" \
    "unsigned build" "${unsigned#"$root"/}, SHA-256 $(sha256sum <"$unsigned" | cut -c1-64)"
else
  printf '%-18s %s\n' "signed by" "nobody: not signed"
fi
