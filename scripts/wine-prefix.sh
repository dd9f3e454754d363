#!/usr/bin/env bash
# Makes the project's private Wine prefix, or mends it, and warms Wine up.
# Safe to run any number of times: each run checks what the tests need of the
# prefix and sets only what is missing, so a prefix that something else made
# first (a test program started before this script, an interrupted set-up)
# is put right instead of being trusted because it exists. ctest runs it as
# the fixture `wine-prefix` before the Windows tests.
#
# What the tests need: an initialised prefix, and the graphics driver "null"
# so that windows open without a display. The warm-up is a waiting
# wineserver and one trivial program, so that each test does not pay Wine's
# start-up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64

mkdir -p "$(dirname "$WINEPREFIX")"
# ctest's fixture, scripts/test.sh and scripts/wine-run.sh may all start it:
# one at a time. Wine's programs and its server (which outlives this script)
# must not inherit the lock: every one of them gets 9>&-.
exec 9>"$WINEPREFIX.lock"
flock 9

drivers='HKCU\Software\Wine\Drivers'

# Whether the user hive as Wine last saved it names the null driver. A running
# server saves a change only after a while, so "no" here is only a maybe.
saved_graphics_is_null() {
  awk '/^\[/ { inside = ($1 == "[Software\\\\Wine\\\\Drivers]") }
       inside && $0 == "\"Graphics\"=\"null\"" { found = 1 }
       END { exit !found }' "$WINEPREFIX/user.reg" 2>/dev/null
}

# A server that stays until this machine's session ends keeps later starts
# fast. When one runs already (an earlier preset's), wineserver says so
# (status 2). Nothing of ctest's may stay open in it: ctest waits for the
# output of its tests to end.
start_server() {
  wineserver -p >/dev/null 2>&1 9>&- || [ $? -eq 2 ]
}

# wineboot leaves this stamp when it has finished setting the prefix up.
if [ ! -f "$WINEPREFIX/.update-timestamp" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix: setting up $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot.exe --init >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
fi
start_server

graphics_is_null() {
  saved_graphics_is_null && return 0
  local answer
  answer=$("$wine" reg.exe query "$drivers" /v Graphics 2>/dev/null 9>&- | tr -d '\r' || true)
  grep -qE 'Graphics[[:space:]]+REG_SZ[[:space:]]+null$' <<<"$answer"
}

if ! graphics_is_null; then
  echo "wine-prefix: setting the graphics driver to null"
  "$wine" reg.exe add "$drivers" /v Graphics /d null /f >/dev/null 2>&1 9>&-
  # Programs already running (the desktop among them) keep the driver they
  # started with: end them, so the next program starts with the null driver.
  wineserver -k >/dev/null 2>&1 9>&- || true
  wineserver -w 9>&-
  start_server
fi

# One trivial program loads what every test program needs.
"$wine" cmd.exe /c exit >/dev/null 2>&1 9>&- || true

# From here on programs may run without this script (scripts/wine-run.sh).
touch "$WINEPREFIX/.vorn-ready"
