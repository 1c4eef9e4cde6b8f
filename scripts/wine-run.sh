#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (kept under
# the build folder so that it is created once and reused).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Without Wine's menu builder: see display.sh.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export WINEARCH=${WINEARCH:-win64}
. "$here/scripts/display.sh"
prepare_prefix
exec wine "$@"
