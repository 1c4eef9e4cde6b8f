#!/usr/bin/env bash
# Builds Setup.exe and runs it under Wine. With a display the program runs
# until you close it; without one (DISPLAY unset) it runs on a private Xvfb
# screen, its window is saved to build/demo-screenshot.png, and the program
# and the screen are ended again.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

bash scripts/deps.sh
# DEMO_BUILD_DIR lets a developer keep the demo out of a build folder in use.
build_dir=${DEMO_BUILD_DIR:-build/windows}
cmake --preset windows -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target Setup
setup_exe=$(cd "$build_dir" && pwd)/setup/Setup.exe
title="Установка Карты Тальмирской области 2.0"

if [ -n "${DISPLAY:-}" ]; then
  exec bash scripts/wine-run.sh "$setup_exe"
fi

. scripts/display.sh
setup_pid=
finish() {
  if [ -n "$setup_pid" ]; then
    kill "$setup_pid" 2>/dev/null || true
    wait "$setup_pid" 2>/dev/null || true
  fi
  stop_display
}
trap finish EXIT
start_display
# Without a window manager on the private screen, Wine draws the window frames
# itself, so that captions show in the picture.
bash scripts/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true

bash scripts/wine-run.sh "$setup_exe" &
setup_pid=$!

found=
for _ in $(seq 300); do
  if xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
    found=1
    break
  fi
  kill -0 "$setup_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$found" ]; then
  echo "demo: the window \"$title\" did not appear" >&2
  exit 1
fi
sleep 1.5 # let the first paint finish before the picture is taken
import -window root -display "$DISPLAY" "$here/build/demo-screenshot.png"
echo "demo: Setup.exe ran; screenshot saved to build/demo-screenshot.png"
