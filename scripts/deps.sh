#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: packages already present are skipped, so a second run costs seconds.
set -euo pipefail

need=(cmake ninja-build g++ g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick xdotool
  googletest libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev
  clang libclang-rt-14-dev libfuzzer-14-dev unzip zip libarchive-tools 7zip python3
  dpkg-dev valgrind libdeflate-dev zlib1g-dev hyperfine locales python3-jsonschema python3-yaml)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  updated=0
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source packages need a deb-src entry; derived from the configured sources.
source_entry=$(bash "$(dirname "${BASH_SOURCE[0]}")/deb-src-entry.sh")

if [ ${#missing[@]} -gt 0 ] || [ -n "$source_entry" ] || [ "${updated:-1}" = 0 ]; then
  if [ -n "$source_entry" ]; then
    echo "deps: adding ${source_entry%%$'\n'*}:"
    printf '%s\n' "${source_entry#*$'\n'}" | sed 's/^/  /'
    printf '%s\n' "${source_entry#*$'\n'}" | "${sudo_cmd[@]}" tee "${source_entry%%$'\n'*}" >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi
