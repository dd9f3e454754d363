#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the builds and the tests need and
# this machine lacks. Safe to run again: it installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ ccache pkg-config python3 file
  libsqlite3-dev
  # GIF pictures of pages, and an independent reader of them for the tests and benchmarks.
  libgif-dev imagemagick
  libgumbo-dev
  # The speech component's voices on the portable build.
  libespeak-ng-dev espeak-ng-data
  sox  # measures the speech recordings in the tests
  # The toolbars' pictures: icons converted into bitmaps at build time (imagemagick
  # above), and PNG writing (stb_image_write, header only).
  tango-icon-theme libstb-dev
  # Text of the portable GDI: FreeType and the fonts it draws with.
  libfreetype-dev fonts-liberation2 fonts-dejavu-core
  libxslt1-dev  # its HTML manual: real pages for the link collectors' test
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # The Windows build: mingw-w64 with posix threads, widl, and Wine to run it.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev
  # Pictures of the Windows programs' windows: an X server without a screen and its tools,
  # and a pointer that rests on the toolbar and clicks it.
  xvfb xauth x11-utils xdotool
  # The Windows Installer package (scripts/package.sh): wixl builds it, msitools reads it.
  msitools wixl
  # Unpacking Debian's source packages of what Debian builds only for Linux.
  dpkg-dev
)

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Debian's source packages: libraries that Debian builds only for Linux are
# compiled for the Windows build from their Debian sources (scripts/debian-source.sh).
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Adding Debian's source package indexes"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      $sudo_cmd tee /etc/apt/sources.list.d/vornie-deb-src.sources >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo_cmd tee /etc/apt/sources.list.d/vornie-deb-src.list >/dev/null
  fi
  $sudo_cmd apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# 32-bit Wine only where the kernel can run 32-bit programs at all.
if bash scripts/can-run-32bit.sh && ! installed wine32:i386; then
  echo "Installing: wine32:i386"
  $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi
