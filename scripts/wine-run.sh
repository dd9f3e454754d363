#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (made by
# scripts/wine-prefix.sh). CMake uses it as the emulator of the mingw presets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No browser engine or .NET runtime: Wine must not offer to install them; a
# crashing program fails instead of waiting in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}

# A program started in a prefix that is not ready would make one without what
# the tests need, or be ended with Wine's server while scripts/wine-prefix.sh
# changes the graphics driver (a client whose server goes exits with status 0
# and loses its buffered output). The script leaves .vorn-ready as its last
# step; until then it is run here, and waits for whoever is running it.
if [ ! -f "$WINEPREFIX/.vorn-ready" ]; then
  bash "$root/scripts/wine-prefix.sh" >&2
fi

program=$1
# The PE header's machine field says which Wine loader the program needs.
machine=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(4096); o=struct.unpack_from("<I",d,0x3c)[0]
print(hex(struct.unpack_from("<H",d,o+4)[0]))' "$program")
case $machine in
  0x8664) loader=/usr/lib/wine/wine64 ;;
  *) loader=/usr/lib/wine/wine ;;
esac
exec "$loader" "$@"
