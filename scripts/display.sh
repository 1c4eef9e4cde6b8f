# Sourced by the scripts that run Windows programs: gives them a display and a
# ready Wine prefix, and takes down what it started when the script ends.
here=${here:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
setup_xvfb_pid=

start_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in 99 98 97 96 95; do
      [ -e /tmp/.X$n-lock ] && continue
      Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      setup_xvfb_pid=$!
      export DISPLAY=:$n
      break
    done
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
  fi
  # Without a window manager, Wine waits about two seconds whenever a managed
  # window is hidden; unmanaged windows (Wine draws their frames) close at once.
  if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
  wineserver -w 2>/dev/null || true
}

stop_display() {
  wineserver -k 2>/dev/null || true
  if [ -n "$setup_xvfb_pid" ]; then
    kill "$setup_xvfb_pid" 2>/dev/null || true
    wait "$setup_xvfb_pid" 2>/dev/null || true
    setup_xvfb_pid=
  fi
}
