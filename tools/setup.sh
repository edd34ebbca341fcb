#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 xvfb xdotool imagemagick x11-utils
  libx11-dev fonts-vlgothic locales
  python3 python3-pytest
  libinih-dev hyperfine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
