#!/usr/bin/env bash
# The library's main job: both toolbars at work in a browser window.
#
#   scripts/run.sh [--tour] [OUTDIR]
#       The Windows DLL, registered with regsvr32 in a Wine prefix of its own, in
#       vornie-browser beside the stand-in archive server (scripts/tour.sh). With a
#       display the browser stays open for you; without one (or with --tour) the
#       guided tour runs in Xvfb and leaves a picture per step and tour.log in
#       OUTDIR (default build/tour).
#
#   scripts/run.sh --portable [OUTDIR]
#       The same tour on the portable build, without Wine: the portable library
#       registered in a registry store of its own, the archive server in the
#       browser's process, pictures from the portable window system (default
#       OUTDIR build/linux/tour).
#
# Installs what is missing and builds what is needed first.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --portable ]; then
  shift
  out=${1:-build/linux/tour}
  if ! command -v cmake >/dev/null 2>&1 || ! command -v g++ >/dev/null 2>&1; then
    bash scripts/install-deps.sh
  fi
  echo "run: building the portable library and its programs (preset linux)" >&2
  [ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
  cmake --build --preset linux -j "$(nproc)" --target vornie-host vornie-browser VornIEGUI >/dev/null
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  # A registry store of the tour's own: the user's is left as it was.
  export VORNIE_REGISTRY="$out/registry.db"
  rm -f "$VORNIE_REGISTRY"
  echo "run: registering the portable library (vornie-host)" >&2
  build/linux/tools/vornie-host >/dev/null
  echo "run: the guided tour" >&2
  status=0
  build/linux/tools/vornie-browser --tour "$out" || status=$?
  echo "The tour's pictures and log (tour.log) are in $out"
  exit "$status"
fi

exec bash scripts/tour.sh "$@"
