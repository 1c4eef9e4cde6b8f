#!/usr/bin/env bash
# Pictures of every window of the installer, taken on a private Xvfb screen
# (1024 x 768) and saved to build/screenshots/: the wizard's pages in both run
# modes, the progress window over the backdrop during an installation from
# the demo medium, and the messages (close question, space warning, failed
# installation). Worked with xdotool as a user would, by keys and clicks.
#   SCREENSHOT_BUILD_DIR  build folder to use (default build/windows)
#   SKIP_BUILD=1          use what is built there as it is
# The Wine prefix is WINEPREFIX (default build/wineprefix); the script puts
# back the one registry value it changes, and installs and removes the
# product in that prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

build_dir=${SCREENSHOT_BUILD_DIR:-build/windows}
if [ -z "${SKIP_BUILD:-}" ]; then
  bash scripts/deps.sh
  cmake --preset windows -B "$build_dir" >/dev/null
  cmake --build "$build_dir" -j2 --target Setup demo_medium
fi
build_dir=$(cd "$build_dir" && pwd)
medium=$build_dir/demo-medium
out=$here/build/screenshots
rm -rf "$out"
mkdir -p "$out"

install_caption='Установка программы "Карта Тальмирской области 2.0"'
uninstall_caption='Удаление программы "Карта Тальмирской области 2.0"'
product='Карта Тальмирской области 2.0'
version_key='HKLM\Software\Microsoft\Windows\CurrentVersion'

. scripts/display.sh
export DISPLAY= # always a private screen: nothing of the user's may cover the windows
work=$(mktemp -d)
saved_program_files=
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$saved_program_files" ]; then
    wine reg add "$version_key" /v ProgramFilesDir /d "$saved_program_files" /f /reg:32 \
      >/dev/null 2>&1 || true
  fi
  stop_display
  rm -rf "$work"
}
trap finish EXIT
start_display

# Runs a Windows program in the background.
run() {
  wine "$@" >/dev/null 2>&1 &
  pids+=($!)
}

# Waits (up to 30 s) for a visible window with exactly this title; prints its id.
wait_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$(sed 's/[][\.*^$()+?{}|]/\\&/g' <<<"$1")\$" \
      2>/dev/null | tail -n1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "screenshots: the window \"$1\" did not appear" >&2
  return 1
}

wait_gone() {
  for _ in $(seq 300); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  echo "screenshots: window $1 stayed open" >&2
  return 1
}

# Waits for the program started last to end.
wait_exit() {
  local pid=${pids[-1]}
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "screenshots: the program did not end" >&2
  return 1
}

# Saves the screen once it has stopped changing (painting done).
shot() {
  local previous='' current
  for _ in $(seq 40); do
    import -window root "$work/shot.png"
    current=$(md5sum <"$work/shot.png")
    [ "$current" = "$previous" ] && break
    previous=$current
    sleep 0.15
  done
  mv "$work/shot.png" "$out/$1.png"
  echo "screenshots: $1.png"
}

# Clicks at (x, y) of the wizard's client area (520 x 369; Wine draws the
# frame: the border is what the width leaves, the caption the rest above).
click() {
  local geometry x y w h border
  geometry=$(xdotool getwindowgeometry --shell "$1")
  x=$(sed -n 's/^X=//p' <<<"$geometry")
  y=$(sed -n 's/^Y=//p' <<<"$geometry")
  w=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
  h=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
  border=$(((w - 520) / 2))
  xdotool mousemove $((x + border + $2)) $((y + h - border - 369 + $3)) click 1
}
next() { click "$1" 372 350; }
cancel() { click "$1" 469 350; }
# A key to the window that has the focus.
key() { xdotool key "$1"; }

# Install mode from a folder without the map container: the pages up to the
# summary, the close question, and the failed installation.
cp "$build_dir/setup/Setup.exe" "$work/Setup.exe"
run "$work/Setup.exe"
wizard=$(wait_window "$install_caption")
shot install-0-welcome
key alt+F4
dialog=$(wait_window "Выход")
shot message-exit-question
key Escape
wait_gone "$dialog"
next "$wizard"
click "$wizard" 96 278 # the text of "Изображение карты": its description
shot install-1-directory-and-components
next "$wizard"
shot install-2-summary
next "$wizard"
dialog=$(wait_window "Ошибка")
shot message-copy-error
key Return
wait_gone "$dialog"
wait_window "Ошибка в процессе установки" >/dev/null
shot message-installation-failed
key Return
wait_exit

# The space warning: the directory on a drive that is not there has no
# free space.
saved_program_files=$(wine reg query "$version_key" /v ProgramFilesDir /reg:32 2>/dev/null |
  sed -n 's/.*REG_SZ *//p' | tr -d '\r')
wine reg add "$version_key" /v ProgramFilesDir /d 'Q:\Program Files' /f /reg:32 >/dev/null 2>&1
run "$work/Setup.exe"
wizard=$(wait_window "$install_caption")
next "$wizard"
next "$wizard"
dialog=$(wait_window "Недостаточно места")
shot message-no-space
key Return
wait_gone "$dialog"
key alt+F4
wait_window "Выход" >/dev/null
key Return
wait_exit
wine reg add "$version_key" /v ProgramFilesDir /d "$saved_program_files" /f /reg:32 >/dev/null 2>&1
saved_program_files=

# A real installation from the demo medium: the progress window with the
# billboards as they come, then the completion page.
uninstaller="$work/Setup1.exe"
cp "$work/Setup.exe" "$uninstaller"
if [ -f "$medium/Map.maptl" ]; then
  run "$medium/Setup.exe"
  wizard=$(wait_window "$install_caption")
  next "$wizard"
  next "$wizard"
  next "$wizard"
  # The installation takes seconds: frames from the moment the wizard goes
  # until it comes back.
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name "^Установка программы" >/dev/null 2>&1 || break
    sleep 0.05
  done
  n=0
  while [ $n -lt 600 ] &&
    ! xdotool search --onlyvisible --name "^Установка программы" >/dev/null 2>&1; do
    import -window root "$out/installing-$(printf %03d $n).png"
    n=$((n + 1))
  done
  # Keep one frame of each look.
  md5sum "$out"/installing-*.png | sort -k1,1 -s | awk 'seen[$1]++ { print $2 }' | xargs -r rm -f
  wizard=$(wait_window "$install_caption")
  shot install-3-completed
  cancel "$wizard"
  wait_exit
  uninstaller="C:\\Program Files (x86)\\$product\\Setup.exe"
else
  echo "screenshots: no demo medium in $medium: no installation pictures" >&2
fi

# Uninstall mode: the installed copy relocates itself and its copy shows the
# wizard (without an installation, a renamed copy shows it at once).
run "$uninstaller" /u
wizard=$(wait_window "$uninstall_caption")
shot uninstall-0-welcome
cancel "$wizard"
wait_window "$uninstall_caption" >/dev/null
shot uninstall-5-completed
cancel "$wizard"
for _ in $(seq 300); do
  xdotool search --onlyvisible --name "^Удаление программы" >/dev/null 2>&1 || break
  sleep 0.1
done
echo "screenshots: saved in $out"
