#!/usr/bin/env bash
# A tmpfs of 256 KiB for the tests of a write-back on a full disk.
#   small-drive.sh mount <folder>     (needs root; without it <folder> stays absent)
#   small-drive.sh unmount <folder>
set -u
folder=$2
mountpoint -q "$folder" 2>/dev/null && umount "$folder"
rmdir "$folder" 2>/dev/null
if [ "$1" = mount ]; then
  mkdir -p "$folder"
  mount -t tmpfs -o size=256k,mode=0777 quorvel-small-drive "$folder" 2>/dev/null || rmdir "$folder"
fi
exit 0
