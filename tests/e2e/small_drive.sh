#!/usr/bin/env bash
# Runs a test program with a small drive in the Wine prefix: a 16 MB tmpfs
# mapped to the first free letter from R on, named to the test in SMALL_DRIVE.
# Where mounting is not allowed (no root, no capability) the test runs without
# it and skips what needs the drive. Whatever happens, the mapping and the
# mount go again.
#   small_drive.sh PROGRAM [ARGS...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
prefix=${WINEPREFIX:-$here/build/wineprefix}
mountpoint=
link=

cleanup() {
  [ -n "$link" ] && rm -f "$link"
  if [ -n "$mountpoint" ]; then
    umount "$mountpoint" 2>/dev/null
    rmdir "$mountpoint" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if [ -d "$prefix/dosdevices" ]; then
  for letter in r s t u v w; do
    [ -e "$prefix/dosdevices/$letter:" ] || [ -L "$prefix/dosdevices/$letter:" ] && continue
    dir=$(mktemp -d /tmp/small-drive.XXXXXX)
    # A root as Windows makes one: others may not delete what it holds (the
    # setup refuses a folder whose parents they may move).
    if mount -t tmpfs -o size=16m,mode=0755 tmpfs "$dir" 2>/dev/null; then
      mountpoint=$dir
      link=$prefix/dosdevices/$letter:
      ln -s "$mountpoint" "$link"
      export SMALL_DRIVE=${letter^^}:
    else
      rmdir "$dir"
      echo "small_drive.sh: cannot mount a tmpfs here; the space warning is not checked" >&2
    fi
    break
  done
fi

"$@"
