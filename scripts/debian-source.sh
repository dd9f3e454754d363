#!/usr/bin/env bash
# Unpacks Debian's source package PACKAGE into DEST: the version Debian ships
# for this machine, with Debian's patches applied. Where the archive no longer
# holds every file of that version, the upstream tarball of another Debian
# version named in scripts/debian-sources.txt is unpacked instead. Downloads
# are kept in a cache shared by every build folder; nothing lands in the
# repository.
#   scripts/debian-source.sh PACKAGE DEST
set -euo pipefail
package="$1"
dest="$2"
here="$(cd "$(dirname "$0")" && pwd)"
cache="${VORNIE_DEBIAN_SRC_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vornie/debian-src}/$package"
mirror="${VORNIE_DEBIAN_MIRROR:-http://deb.debian.org/debian}"

[ -f "$dest/.vornie-unpacked" ] && exit 0
mkdir -p "$cache" "$(dirname "$dest")"
rm -rf "$dest"
cd "$cache"

# Debian's own source package of this release.
if ! ls "${package}"_*.dsc >/dev/null 2>&1 || ! dpkg-source --no-check -x "$(ls "${package}"_*.dsc | sort -V | tail -n 1)" "$dest" >/dev/null 2>&1; then
  rm -rf "$dest"
  apt-get source --download-only -qq "$package" >/dev/null 2>&1 || true
fi
if [ ! -d "$dest" ] && ls "${package}"_*.dsc >/dev/null 2>&1; then
  dpkg-source --no-check -x "$(ls "${package}"_*.dsc | sort -V | tail -n 1)" "$dest" >/dev/null 2>&1 || rm -rf "$dest"
fi

# The fallback: an upstream tarball as Debian repacked it.
if [ ! -d "$dest" ]; then
  pool_file="$(awk -v p="$package" '$1 == p { print $2 }' "$here/debian-sources.txt" | head -n 1)"
  if [ -z "$pool_file" ]; then
    echo "debian-source: cannot download the source package $package;" \
         "run scripts/install-deps.sh (it adds Debian's source indexes)" >&2
    exit 1
  fi
  tarball="$(basename "$pool_file")"
  if [ ! -s "$tarball" ]; then
    curl -fsSL --retry 3 -o "$tarball.part" "$mirror/$pool_file"
    mv "$tarball.part" "$tarball"
  fi
  mkdir -p "$dest"
  tar -xf "$tarball" -C "$dest" --strip-components=1
  echo "$pool_file" > "$dest/.vornie-upstream-tarball"
fi
touch "$dest/.vornie-unpacked"
