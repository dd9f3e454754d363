#!/usr/bin/env bash
# The library's main job on built-in defaults: register the portable library
# into the per-user registry store, show its entries, and host its toolbar
# band in a stand-in band site.
#
#   scripts/run.sh --windows [OPTIONS]: pictures of the Windows build's toolbar
#   bands in a browser window instead (scripts/screenshots.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --windows ]; then
  shift
  exec bash scripts/screenshots.sh "$@"
fi

if [ ! -x build/linux/tools/vornie-host ]; then
  bash scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j "$(nproc)" --target vornie-host VornIEGUI
fi
exec build/linux/tools/vornie-host "$@"
