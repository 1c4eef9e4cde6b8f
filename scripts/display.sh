# Sourced by the scripts that run Windows programs: gives them a display and a
# ready Wine prefix, and takes down what it started when the script ends.
here=${here:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Wine hands every saved shell link to its menu builder, a process of its own
# that reads the link some time later: a link deleted meanwhile may still be
# open in it and stay (a program group then outlives its removal), and the
# tests' links would become menu entries in the Unix user's home. Windows
# has no such thing; the prefix goes without it.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
setup_xvfb_pid=
kept_prefixes=()

start_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 99 -1 60); do
      [ -e /tmp/.X$n-lock ] && continue
      Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      setup_xvfb_pid=$!
      export DISPLAY=:$n
      break
    done
    # Without a screen every window the tests look for fails to appear.
    [ -n "${DISPLAY:-}" ] || echo "display.sh: no free display number for Xvfb" >&2
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  keep_wineservers "$WINEPREFIX"
}

# keep_wineservers PREFIX...: one Wine server for each prefix, ready before
# the first program and kept until stop_display, with the prefix's services
# and its desktop. A server that ends after its last client (three seconds
# later, by default) races the next client: one that arrives while it shuts
# down waits five seconds for it, or fails with "a wine server seems to be
# running, but I cannot connect to it". And the programs Wine starts for a
# client (the services, the desktop's explorer) take its output with them:
# a test whose output is read to its end (CTest reads it so) then lasts as
# long as they do. Started here, they write nowhere.
keep_wineservers() {
  local prefix pids=()
  for prefix in "$@"; do
    (
      # Whatever fails here (a server another run keeps refuses a second
      # one) leaves a prefix that works all the same, also under set -e.
      set +e
      export WINEPREFIX=$prefix
      prepare_prefix
      # What prepare_prefix changed is saved once its server has ended (in
      # seconds); a second server is refused while the first still runs. A
      # server another run keeps serves this one too.
      timeout 20 wineserver -w 2>/dev/null || true
      wineserver -p </dev/null >/dev/null 2>&1
      wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
      for _ in $(seq 300); do desktop_runs && break; sleep 0.1; done
      desktop_runs || echo "display.sh: no desktop in $WINEPREFIX" >&2
    ) &
    pids+=($!)
  done
  wait "${pids[@]}" || true
  kept_prefixes+=("$@")
}

# Whether the desktop's explorer of WINEPREFIX runs.
desktop_runs() {
  local pid
  for pid in $(pgrep -f 'system32.explorer.exe /desktop'); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

# Ends the kept servers and every program still running in their prefixes.
stop_wineservers() {
  local prefix
  for prefix in "${kept_prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  done
  kept_prefixes=()
}

# Creates the prefix on first use and keeps it in the state the tests and the
# demo expect. Cheap when there is nothing to do, so it runs before every start.
prepare_prefix() {
  mkdir -p "$WINEPREFIX"
  # Parallel test runs share one prefix: the first creates it, the others wait.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine: creating the prefix $WINEPREFIX" >&2
      wineboot -i >/dev/null 2>&1
      wineserver -w 2>/dev/null || true
    fi
    link_wine_fonts
    keep_user_folders_inside
    substitute_form_fonts
    # Without a window manager, Wine waits about two seconds whenever a managed
    # window is hidden; unmanaged windows (Wine draws their frames) close at once.
    if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    fi
  ) 9>>"$WINEPREFIX/.prepare.lock"
}

# Debian's Wine 8 looks for its own fonts in the wrong folder (/usr/share/fonts
# instead of /usr/share/wine/fonts, where fonts-wine puts them), so a fresh
# prefix has no Marlett (the title-bar buttons then read "0 1 r") and no
# bitmap "MS Sans Serif". Fonts in the prefix's Fonts folder are always found.
link_wine_fonts() {
  local from=/usr/share/wine/fonts to=$WINEPREFIX/drive_c/windows/Fonts f
  [ -d "$from" ] || return 0
  mkdir -p "$to"
  for f in "$from"/*; do
    [ -e "$to/${f##*/}" ] || ln -sf "$f" "$to/${f##*/}"
  done
}

# A new prefix links the user's Desktop, Documents and the like to the Unix
# home folder: what the programs under test put on their desktop would land
# in the home folder of whoever runs the tests. The prefix gets folders of its
# own instead.
keep_user_folders_inside() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    rm -f "$link" && mkdir -p "$link"
  done
}

# "MS Sans Serif" with Russian letters: Wine has no such face and would fall
# back on a much wider one, so that texts run out of their windows. A Western
# Windows substitutes a TrueType sans of the same metrics; Tahoma is Wine's.
# (The bold heading face "Microsoft Sans Serif" is left to Wine's fallback:
# Tahoma has no bold at that size.)
substitute_form_fonts() {
  grep -qs '"MS Sans Serif"="Tahoma"' "$WINEPREFIX/system.reg" && return 0
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v "MS Sans Serif" /d Tahoma /f >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
}

# map_drive TARGET: links the first free letter from M on in the prefix to the
# Unix folder TARGET; sets drive ("M:") and drive_link (the link, for removal).
map_drive() {
  local letter
  drive= drive_link=
  for letter in m n o p q; do
    [ -e "$WINEPREFIX/dosdevices/$letter:" ] || [ -L "$WINEPREFIX/dosdevices/$letter:" ] && continue
    drive_link=$WINEPREFIX/dosdevices/$letter:
    ln -s "$1" "$drive_link" || return 1
    drive="${letter^^}:"
    return 0
  done
  return 1
}

stop_display() {
  stop_wineservers
  wineserver -k 2>/dev/null || true
  if [ -n "$setup_xvfb_pid" ]; then
    kill "$setup_xvfb_pid" 2>/dev/null || true
    wait "$setup_xvfb_pid" 2>/dev/null || true
    setup_xvfb_pid=
  fi
}
