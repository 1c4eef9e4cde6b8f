#!/usr/bin/env bash
# The product as a package manager takes it: the manifest held against its
# schemas and against the Setup.exe the build made, then an installation
# from a small medium with nothing but the manifest's switches, the record
# the program wrote held against the manifest, and the removal through the
# record's quiet command.
#   winget_e2e.sh SETUP.EXE MANIFESTS SCHEMAS
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
setup=$1 manifests=$2 schemas=$3
check=$here/tests/packaging/check_winget.py
# On the prefix's drive C: the setup refuses a folder below one that others
# may change, which /tmp is (and whatever lies below it, the project too when
# it is checked out there).
drive_c=${WINEPREFIX:-$here/build/wineprefix}/drive_c
mkdir -p "$drive_c"
work=$(mktemp -d "$drive_c/winget-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Cyrillic paths reach the emulator's command lines intact only in UTF-8.
case "${LC_ALL:-${LANG:-}}" in *UTF-8* | *utf8*) ;; *) export LC_ALL=C.UTF-8 ;; esac
fail() { echo "winget_e2e: $*" >&2; exit 1; }
wine_run() { bash "$here/scripts/wine-run.sh" "$@"; }
winpath() {
  local path=$1
  case "$path" in "$drive_c"/*) path=${path#"$drive_c"} && echo "C:${path//\//\\}" && return ;; esac
  echo "Z:${path//\//\\}"
}

python3 "$check" validate "$here/packaging/winget" "$schemas" ||
  fail "the committed manifest does not hold"
python3 "$check" validate "$manifests" "$schemas" "$setup" || fail "the manifest does not hold"

# A medium of a few files and an image of holes: cheap to build and to copy.
mkdir -p "$work/tree/Program" "$work/tree/Help" "$work/tree/Icons"
head -c 40000 /dev/urandom >"$work/tree/Program/Map.exe"
echo "<html>Справка</html>" >"$work/tree/Help/Help.htm"
for icon in maptl maptldb; do head -c 766 /dev/urandom >"$work/tree/Icons/$icon.ico"; done
truncate -s 174236370 "$work/image.bin"
python3 "$here/tools/medium/build-medium.py" build --tree "$work/tree" --image "$work/image.bin" \
  --setup "$setup" --out "$work/medium" >/dev/null || fail "no medium"
mkdir -p "$work/target"

# Silent, then again over it silent with progress (a redeployment).
for mode in Silent SilentWithProgress; do
  log=$work/$mode.log
  mapfile -t switches < <(python3 "$check" command "$manifests" $mode "$(winpath "$log")")
  wine_run "$(winpath "$work/medium/Setup.exe")" "${switches[@]}" "/D=$(winpath "$work/target")"
  status=$?
  [ "$status" -eq 0 ] || fail "$mode installation ended with $status: $(tail -n1 "$log" 2>/dev/null)"
  grep -q "installation completed" "$log" || fail "the manifest's log switch wrote no log ($mode)"
done

wine_run reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
  "$(winpath "$work/record.reg")" /reg:32 /y >/dev/null 2>&1 || fail "cannot export the record"
quiet=$(python3 "$check" record "$manifests" "$work/record.reg") || fail "the record does not match"
[ -n "$quiet" ] || fail "the record has no QuietUninstallString"

# The quiet command: the program in quotes, then its switches; as the
# system starts it, a program named without extension is the ".exe".
program=${quiet#\"}
program=${program%%\"*}
read -r -a rest <<<"${quiet:${#program}+2}"
wine_run "$program.exe" "${rest[@]}"
status=$?
[ "$status" -eq 0 ] || fail "the record's quiet command ended with $status"
# The copy deletes the folder once the program it waited for has ended.
for _ in $(seq 60); do [ -z "$(ls -A "$work/target")" ] && break; sleep 0.5; done
[ -z "$(ls -A "$work/target")" ] || fail "the removal left $(ls -A "$work/target")"
wine_run reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
  "$(winpath "$work/after.reg")" /reg:32 /y >/dev/null 2>&1
python3 "$check" record "$manifests" "$work/after.reg" >/dev/null 2>&1 && fail "the record stayed"
echo "winget_e2e: manifest valid, installed with its switches, record matches, removed"
