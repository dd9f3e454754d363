#!/usr/bin/env bash
# Makes the project's private Wine prefix (once) and warms Wine up: a waiting
# wineserver and one trivial program, so that each test does not pay Wine's
# start-up. Windows open without a display: the graphics driver is "null".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot.exe --init >/dev/null 2>&1
  wineserver -w
  "$wine" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  wineserver -w
fi
# A server that stays until this machine's session ends keeps later starts fast.
# When an earlier preset has started it already, wineserver says so (status 2).
wineserver -p 2>/dev/null || [ $? -eq 2 ]
"$wine" cmd.exe /c exit >/dev/null 2>&1 || true
