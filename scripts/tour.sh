#!/usr/bin/env bash
# The Windows build at work, as a person meets it. Builds the Windows programs
# (preset mingw-x64), registers the DLL with regsvr32 in a Wine prefix of its
# own that draws through X11 (build/wine-prefix-x11; the tests' prefix keeps
# its null driver), starts the stand-in archive server (its own process, with
# the sample pages archived) and opens vornie-browser beside it.
#
# With a display (and without --tour) the browser stays open for you to use;
# the script ends when you close it. Otherwise, on the display given or in
# Xvfb when there is none, scripts/tour.py takes the guided tour: real pointer
# moves, clicks and typed addresses, a picture of each step and a log of what
# each step showed, all in OUTDIR. With --check a step that does not show what
# it must fails the script (the end-to-end test).
#
#   scripts/tour.sh [--tour] [--check] [--no-build] [OUTDIR]    (default build/tour)
#
# Needs wine64, Xvfb, xwininfo, xdotool, ImageMagick and python3 (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

tour=0
check=0
build=1
[ -z "${DISPLAY:-}" ] && tour=1
out=
for arg in "$@"; do
  case $arg in
    --tour) tour=1 ;;
    --check) tour=1; check=1 ;;
    --no-build) build=0 ;;
    -*) echo "usage: scripts/tour.sh [--tour] [--check] [--no-build] [OUTDIR]" >&2; exit 1 ;;
    *) out=$arg ;;
  esac
done
out=${out:-$root/build/tour}
mkdir -p "$out"
out=$(cd "$out" && pwd)

bin=$root/build/mingw-x64/bin
pages=$root/tools/vornie-browser
export WINEPREFIX=$root/build/wine-prefix-x11
export WINEDEBUG=${WINEDEBUG:--all}
# No browser engine or .NET runtime: Wine must not offer to install them.
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
wine=/usr/lib/wine/wine64

# A Windows path for a file of this machine (Wine's Z: drive is /).
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

# --- build ------------------------------------------------------------------
# A fresh machine gets what it needs first (the script installs only what is missing).
say() { echo "tour: $*" >&2; }
for tool in x86_64-w64-mingw32-g++-posix "$wine" Xvfb xwininfo import xdotool python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    bash "$root/scripts/install-deps.sh"
    break
  fi
done
if [ "$build" = 1 ]; then
  if [ ! -f "$root/build/mingw-x64/build.ninja" ]; then
    say "configuring the Windows build"
    cmake --preset mingw-x64 >/dev/null
  fi
  # Up to date in a moment when nothing changed; otherwise only these three.
  say "building the DLL, vornie-browser and the stand-in archive server (mingw-x64)"
  cmake --build --preset mingw-x64 -j2 --target VornIEGUI vornie-browser vornie-archive-server >/dev/null
fi
for f in VornIEGUI.dll vornie-browser.exe vornie-archive-server.exe; do
  [ -f "$bin/$f" ] || { echo "tour: $bin/$f was not built" >&2; exit 1; }
done

# --- clean-up of what this script starts ------------------------------------
xvfb_pid=
cleanup() {
  set +e
  # Whatever still runs in this prefix (its wineserver, helper processes) ends with it.
  wineserver -k >/dev/null 2>&1
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT

# --- an X server ------------------------------------------------------------
if [ -z "${DISPLAY:-}" ]; then
  say "starting Xvfb: no display"
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=:$n
      break
    fi
  done
  [ -n "$xvfb_pid" ] || { echo "tour: no free X display" >&2; exit 1; }
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "tour: Xvfb did not start on $DISPLAY" >&2; exit 1; }
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "tour: Xvfb did not answer on $DISPLAY" >&2; exit 1; }
fi

# --- the prefix: made once, mended when it lacks what the pictures need ----
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.update-timestamp" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "tour: setting up $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot.exe --init >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
fi
# The X11 driver, and windows that draw their own frames: without a window
# manager nothing else would draw their captions.
setting() { # key value-name data
  local answer
  answer=$("$wine" reg.exe query "$1" /v "$2" 2>/dev/null 9>&- | tr -d '\r' || true)
  if ! grep -qE "$2[[:space:]]+REG_SZ[[:space:]]+$3\$" <<<"$answer"; then
    "$wine" reg.exe add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1 9>&-
    changed=1
  fi
}
changed=0
setting 'HKCU\Software\Wine\Drivers' Graphics x11
setting 'HKCU\Software\Wine\X11 Driver' Managed N
if [ "$changed" = 1 ]; then
  wineserver -k >/dev/null 2>&1 9>&- || true
  wineserver -w 9>&-
fi
exec 9>&-

# --- register the library ---------------------------------------------------
say "registering $bin/VornIEGUI.dll with regsvr32 in $WINEPREFIX"
if ! "$wine" regsvr32.exe /s "$(winpath "$bin/VornIEGUI.dll")" >/dev/null 2>&1; then
  echo "tour: regsvr32 could not register $bin/VornIEGUI.dll" >&2
  exit 1
fi

args=(--wine "$wine" --bin "$bin" --pages "$pages" --out "$out")
[ "$tour" = 0 ] && args+=(--stay)
[ "$check" = 1 ] && args+=(--check)
python3 "$root/scripts/tour.py" "${args[@]}"
