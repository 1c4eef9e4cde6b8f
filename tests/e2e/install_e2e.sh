#!/usr/bin/env bash
# Runs the installation end-to-end test: writes its media, maps the good
# medium to a drive letter of its own and the folder of all media to another,
# mounts a small tmpfs as a third drive for the disk that fills (where
# mounting is not allowed that case is skipped with a message), runs the test
# program, and takes the mappings, the mount and the media away again.
#   install_e2e.sh EMULATOR TEST.EXE SETUP.EXE MEDIA_FOLDER
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
emulator=$1 test_exe=$2 setup_exe=$3 media=$4
prefix=${WINEPREFIX:-$here/build/wineprefix}
links=()
mountpoint=

cleanup() {
  local link
  for link in "${links[@]}"; do rm -f "$link"; done
  if [ -n "$mountpoint" ]; then
    umount "$mountpoint" 2>/dev/null
    rmdir "$mountpoint" 2>/dev/null
  fi
  rm -rf "$media"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

python3 "$here/tests/e2e/install_media.py" "$media" "$setup_exe" \
  "$here/tools/medium/build-medium.py" || exit 1

# The prefix's dosdevices exist once the emulator has run in it.
bash "$here/scripts/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1
# Letters an interrupted earlier run left behind.
for stale in "$prefix"/dosdevices/?:; do
  case "$(readlink "$stale")" in
    "$media" | "$media"/* | /tmp/install-e2e-drive.*) rm -f "$stale" ;;
  esac
done

# map LETTERS TARGET: links the first free letter to TARGET and sets drive
# to it ("X:").
map() {
  local letter
  for letter in $1; do
    [ -e "$prefix/dosdevices/$letter:" ] || [ -L "$prefix/dosdevices/$letter:" ] && continue
    ln -s "$2" "$prefix/dosdevices/$letter:" || continue
    links+=("$prefix/dosdevices/$letter:")
    drive="${letter^^}:"
    return 0
  done
  echo "install_e2e.sh: no free drive letter among $1" >&2
  return 1
}

map "m n o p q" "$media/good" || exit 1
export INSTALL_E2E_MEDIUM="$drive\\"
map "n o p q" "$media" || exit 1
export INSTALL_E2E_MEDIA="$drive\\"
# Room for the wizard's free-space check of the map image (171 MB); the test
# fills it up once the check is passed.
dir=$(mktemp -d /tmp/install-e2e-drive.XXXXXX)
# A root as Windows makes one: others may not delete what it holds (the
# setup refuses a folder whose parents they may move).
if mount -t tmpfs -o size=256m,mode=0755 tmpfs "$dir" 2>/dev/null; then
  mountpoint=$dir
  map "j k l" "$mountpoint" && export INSTALL_E2E_SMALL_DRIVE=$drive
else
  rmdir "$dir"
  echo "install_e2e.sh: cannot mount a tmpfs here; the disk that fills is not tried" >&2
fi

"$emulator" "$test_exe"
