#!/usr/bin/env bash
# Builds Setup.exe and the demo medium, puts the medium on a drive of its own
# in the Wine prefix and runs Setup.exe from it. With a display you install
# (and uninstall) yourself. Without one (DISPLAY unset) it runs on a private
# Xvfb screen: installs everything, saves a picture of every page and of each
# step of the progress window into build/screenshots/, checks what was
# installed, uninstalls through the command of the uninstall record, and
# prints a summary. Whatever it started and mapped goes again at the end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

bash scripts/deps.sh
# DEMO_BUILD_DIR lets a developer keep the demo out of a build folder in use.
build_dir=${DEMO_BUILD_DIR:-build/windows}
cmake --preset windows -B "$build_dir" >/dev/null
build_dir=$(cd "$build_dir" && pwd)
targets=(Setup demo_medium)
[ -n "${DISPLAY:-}" ] || targets+=(install_demo)
cmake --build "$build_dir" -j2 --target "${targets[@]}"
medium=$build_dir/demo-medium

. scripts/display.sh
link=
finish() {
  stop_display
  [ -z "$link" ] || rm -f "$link"
}
trap finish EXIT
prepare_prefix
map_drive "$medium" && link=$drive_link
[ -n "$link" ] || { echo "demo: no free drive letter for the medium" >&2; exit 1; }
echo "demo: the medium is drive $drive ($medium)"

if [ -n "${DISPLAY:-}" ]; then
  bash scripts/wine-run.sh "$drive\\Setup.exe"
  exit
fi

start_display
shots=$here/build/screenshots
rm -rf "$shots" && mkdir -p "$shots"
plan=$build_dir/demo-plan.txt
python3 tools/medium/build-medium.py plan "$medium/Map.maptl" >"$plan"
status=0
started=$(date +%s%N)
bash scripts/wine-run.sh "$build_dir/tests/e2e/install_demo.exe" "$drive\\" "Z:$plan" "Z:$shots/" ||
  status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
for picture in "$shots"/*.bmp; do
  [ -e "$picture" ] || continue
  convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
printf 'demo: %d pictures in build/screenshots/, %d.%d s in all\n' \
  "$(find "$shots" -name '*.png' | wc -l)" $((elapsed_ms / 1000)) $((elapsed_ms % 1000 / 100))
exit $status
