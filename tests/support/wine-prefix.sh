#!/usr/bin/env bash
# Wine prefixes for the tests: one booted template per test run, cloned cheaply
# (system files hard-linked) for every test executable.
#   wine-prefix.sh boot <template>
#   wine-prefix.sh clone <template> <prefix>
set -euo pipefail
export WINEDEBUG=-all

boot() {
  local template=$1
  rm -rf "$template"
  mkdir -p "$(dirname "$template")"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1
  # Unmanaged windows paint at once and hide without Wine's 2 s wait under Xvfb.
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX=$template wineserver -w
  # Windows makes C:\Users\All Users a symbolic link to C:\ProgramData; Wine
  # makes none. Relative, so that each clone's link names its own ProgramData.
  ln -s ../ProgramData "$template/drive_c/users/All Users"
}

clone() {
  local template=$1 prefix=$2
  rm -rf "$prefix"
  mkdir -p "$prefix/drive_c"
  cp -a "$template"/*.reg "$template/.update-timestamp" "$template/dosdevices" "$prefix/"
  # Wine never writes into its system folder at run time; the registry is
  # rewritten by rename, so those files are copied, not linked.
  cp -al "$template/drive_c/windows" "$prefix/drive_c/"
  local entry
  for entry in "$template/drive_c"/*; do
    [ "$(basename "$entry")" = windows ] || cp -a "$entry" "$prefix/drive_c/"
  done
}

"$@"
