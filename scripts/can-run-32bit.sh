#!/usr/bin/env bash
# Exit status 0 when this machine can run 32-bit x86 programs (the kernel's
# 32-bit support), which 32-bit Wine needs. Runs a tiny hand-made program
# that only exits.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
python3 - "$probe" <<'PY'
import struct, sys
code = bytes.fromhex("b801000000" "31db" "cd80")           # exit(0) through int 0x80
base, hdr = 0x08048000, 52 + 32
elf = struct.pack("<4s5B7x2H5I6H", b"\x7fELF", 1, 1, 1, 0, 0, 2, 3, 1,
                  base + hdr, 52, 0, 0, 52, 32, 1, 0, 0, 0)
ph = struct.pack("<8I", 1, 0, base, base, hdr + len(code), hdr + len(code), 5, 0x1000)
open(sys.argv[1], "wb").write(elf + ph + code)
PY
chmod +x "$probe"
"$probe" 2>/dev/null
