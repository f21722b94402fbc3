#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the demo need and
# this machine lacks. Safe to run again: it installs only what is missing.
set -euo pipefail
packages=(cmake make g++ googletest zlib1g-dev python3
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine64 xvfb x11-apps imagemagick xdotool 7zip libarchive-tools
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
