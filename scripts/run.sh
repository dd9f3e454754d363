#!/usr/bin/env bash
# The library's main job on built-in defaults: register the portable library
# into the per-user registry store, show its entries, host its toolbar band in
# a stand-in band site, and save a picture of both toolbar bands in the browser
# frame above a page (build/linux/pictures/browser-frame.png).
#
#   scripts/run.sh --windows [OPTIONS]: pictures of the Windows build's toolbar
#   bands in a browser window instead (scripts/screenshots.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --windows ]; then
  shift
  exec bash scripts/screenshots.sh "$@"
fi

if [ ! -x build/linux/tools/vornie-host ] || [ ! -x build/linux/tools/vornie-browser ]; then
  bash scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j "$(nproc)" --target vornie-host vornie-browser VornIEGUI
fi
build/linux/tools/vornie-host "$@"
for arg in "$@"; do
  [ "$arg" = --unregister ] && exit 0
done
# The registered library in the browser frame: both bands above a page, as a picture.
mkdir -p build/linux/pictures
echo
echo "The browser frame with both toolbar bands:"
exec build/linux/tools/vornie-browser tools/vornie-browser/sample-page.html --picture build/linux/pictures/browser-frame.png
