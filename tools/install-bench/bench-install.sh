#!/usr/bin/env bash
# The whole installation of the demo medium under Wine (from the start of
# Setup.exe to its completion page, every component), the same installation
# unattended (Setup.exe /S, from its start to its end), next to what the same
# work costs natively (cp of the map container plus zipextract of its program
# archive, also once with every file flushed, as the installation does) and to Wine starting the program for nothing (a bad command line,
# refused before any work), and the silent installation once more over the
# full installation it made. Prints the wall times and their ratios; RUNS
# times each, the best (the first silent installation once).
#   tools/install-bench/bench-install.sh [RUNS]
# Needs the Windows build with demo_medium and install_demo (build/windows or
# DEMO_BUILD_DIR) and the native zipextract (build/native).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
runs=${1:-3}
build_dir=$(cd "$here/${DEMO_BUILD_DIR:-build/windows}" && pwd)
medium=$build_dir/demo-medium
zipextract=$here/build/native/tools/zipextract/zipextract
work=$(mktemp -d)
. "$here/scripts/display.sh"
link=
finish() {
  stop_display
  [ -z "$link" ] || rm -f "$link"
  rm -rf "$work"
}
trap finish EXIT
start_display
map_drive "$medium" && link=$drive_link
python3 "$here/tools/medium/build-medium.py" plan "$medium/Map.maptl" >"$work/plan.txt"

best() { sort -g | head -n1; }
wine_s=$(for _ in $(seq "$runs"); do
  bash "$here/scripts/wine-run.sh" "$build_dir/tests/e2e/install_demo.exe" "$drive\\" \
    "Z:$work/plan.txt" - | sed -n 's/^demo: installation \([0-9.]*\) s.*/\1/p'
done | best)
# The wall time of a command, in seconds with three decimals.
seconds_of() {
  local start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  echo $((($(date +%s%N) - start) / 1000000)) | awk '{printf "%.3f\n", $1 / 1000}'
}
silent_target=$WINEPREFIX/drive_c/bench-silent
mkdir -p "$silent_target"
silent_s=$(seconds_of bash "$here/scripts/wine-run.sh" "$drive\\Setup.exe" /S "/D=C:\\bench-silent")
# Again over the full installation just made: what a repair or a redeployment costs.
reinstall_s=$(for _ in $(seq "$runs"); do
  seconds_of bash "$here/scripts/wine-run.sh" "$drive\\Setup.exe" /S "/D=C:\\bench-silent"
done | best)
bash "$here/scripts/wine-run.sh" "C:\\bench-silent\\Карта Тальмирской области 2.0\\Setup.exe" /u /S \
  >/dev/null 2>&1 || true
# Its copy removes the folder a moment after the waiting program has ended.
for _ in $(seq 300); do
  [ -e "$silent_target/Карта Тальмирской области 2.0" ] || break
  sleep 0.1
done
rm -rf "$silent_target"
empty_s=$(for _ in $(seq "$runs"); do
  seconds_of bash "$here/scripts/wine-run.sh" "$drive\\Setup.exe" /S /COMPONENTS=none
done | best)
# The floor: the same copies natively; once more written durably, as the
# installation writes them (each file and folder flushed before it commits).
native_floor() { # durable: 0 or 1
  rm -rf "$work/native" && mkdir -p "$work/native/out"
  sync
  start=$(date +%s%N)
  cp "$medium/Map.maptl" "$work/native/Map.maptl"
  tail -c +174236371 "$medium/Map.maptl" >"$work/native/temp.zip"
  "$zipextract" -a -d "$work/native/out" "$work/native/temp.zip" >/dev/null 2>&1
  [ "$1" = 0 ] || find "$work/native" -print0 | xargs -0 sync
  echo $((($(date +%s%N) - start) / 1000000)) | awk '{printf "%.3f\n", $1 / 1000}'
}
native_s=$(for _ in $(seq "$runs"); do native_floor 0; done | best)
durable_s=$(for _ in $(seq "$runs"); do native_floor 1; done | best)
python3 - "$wine_s" "$native_s" "$silent_s" "$empty_s" "$reinstall_s" "$durable_s" <<'PY'
import sys
wine, native, silent, empty, reinstall, durable = map(float, sys.argv[1:])
print(f"installation under Wine: {wine:.2f} s; cp + zipextract natively: {native:.2f} s; "
      f"ratio {wine / native:.1f}x")
print(f"silent installation under Wine: {silent:.2f} s; {silent / native:.1f}x the native floor; "
      f"Wine starting the program for nothing: {empty:.2f} s "
      f"(silent minus that: {silent - empty:.2f} s, {(silent - empty) / native:.1f}x the floor)")
print(f"the floor written durably (each file and folder flushed): {durable:.2f} s; "
      f"silent minus Wine's start {(silent - empty) / durable:.1f}x that")
print(f"silent reinstallation over a full installation: {reinstall:.2f} s")
PY
