#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: packages already present are skipped, so a second run costs seconds.
set -euo pipefail

need=(cmake ninja-build g++ g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick xdotool
  googletest libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev
  clang libclang-rt-14-dev libfuzzer-14-dev unzip zip libarchive-tools 7zip python3
  dpkg-dev valgrind libdeflate-dev zlib1g-dev hyperfine)

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

srcs_ok=1
if ! grep -rqs '^deb-src .*bookworm main' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null \
  && ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ 2>/dev/null; then
  srcs_ok=0
fi

if [ ${#missing[@]} -gt 0 ] || [ "$srcs_ok" = 0 ] || [ "${updated:-1}" = 0 ]; then
  if [ "$srcs_ok" = 0 ]; then
    mirror=$( (grep -rhE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true
      grep -hE '^deb '  /etc/apt/sources.list 2>/dev/null | awk '{print $2}' || true) | grep -v security | head -n1 || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' "$mirror" \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/setup-deb-src.sources >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi
