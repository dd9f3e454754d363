#!/usr/bin/env bash
# Harvests what DllRegisterServer writes, for the package's Registry table: registers the
# DLLs with regsvr32 in a scratch Wine prefix where the package would install them, and
# turns the registry's changes into RegistryValue elements (installer/registration.py).
# The DLL itself stays the one source of its registration; the package carries no
# self-registration and calls nothing in it.
#
#   scripts/harvest-registration.sh [--prefix-template DIR] DLL64 DLL32 OUTDIR
#
# --prefix-template: a freshly made prefix (scripts/wine-prefix.sh) to copy instead of
# making one. Writes into OUTDIR: harvest-x64.json and harvest-x86.json (the entries, the
# DLLs' paths as tokens), registration-x64.wxi and registration-x86.wxi.
#
# The 32-bit DLL runs only where the kernel runs 32-bit programs (scripts/can-run-32bit.sh)
# and 32-bit Wine is installed. Elsewhere its entries are derived from the 64-bit harvest
# (installer/registration.py derive32 says how); where it runs, it is harvested as well and
# the harvest must agree with the derived entries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
helper="$root/installer/registration.py"

template=""
if [ "${1:-}" = --prefix-template ]; then
  template=$2
  shift 2
fi
if [ $# -ne 3 ]; then
  echo "usage: $0 [--prefix-template DIR] DLL64 DLL32 OUTDIR" >&2
  exit 2
fi
dll64=$1 dll32=$2 out=$3
for f in "$dll64" "$dll32"; do
  [ -f "$f" ] || { echo "harvest: no DLL at $f" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
work="$out/harvest-work"
prefix64="$work/prefix-x64" prefix32="$work/prefix-x86"
cleanup() {
  for p in "$prefix64" "$prefix32"; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

if [ -n "$template" ]; then
  cp -a "$template" "$prefix64"
else
  WINEPREFIX=$prefix64 nice bash "$root/scripts/wine-prefix.sh" >/dev/null
fi

# Wine saves the registry when its server ends; the copies are what a program wrote.
snapshot() {  # PREFIX DIR
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$1 wineserver -w
  mkdir -p "$2"
  cp "$1/system.reg" "$1/user.reg" "$2/"
}

# regsvr32 in the loader of the DLL's kind, on the DLL at its installed place: a path with
# spaces, so the entries show how the DLL names itself there (a short path, say).
register() {  # PREFIX LOADER REGSVR32 DLL FOLDER BITS NAME
  local prefix=$1 loader=$2 regsvr32=$3 dll=$4 folder=$5 bits=$6 name=$7
  local winpath="C:\\$folder\\VornIEGUI\\VornIEGUI.dll"
  mkdir -p "$prefix/drive_c/$folder/VornIEGUI"
  cp "$dll" "$prefix/drive_c/$folder/VornIEGUI/VornIEGUI.dll"
  snapshot "$prefix" "$work/$name-before"
  echo "harvest: regsvr32 $winpath ($bits-bit)"
  if ! WINEPREFIX=$prefix nice "$loader" "$regsvr32" /s "$winpath" >/dev/null 2>&1; then
    echo "harvest: regsvr32 could not register the $bits-bit DLL ($dll)" >&2
    exit 1
  fi
  local short
  short=$(WINEPREFIX=$prefix "$loader" winepath.exe -s "$winpath" 2>/dev/null | tr -d '\r') ||
    { echo "harvest: winepath could not name $winpath in short form" >&2; exit 1; }
  snapshot "$prefix" "$work/$name-after"
  python3 "$helper" harvest --before "$work/$name-before" --after "$work/$name-after" --bits "$bits" \
    --dll "$winpath" --short "$short" -o "$out/$name.json"
}

runs32=no
if bash "$root/scripts/can-run-32bit.sh" && [ -x /usr/lib/wine/wine ]; then
  runs32=yes
  # Before anything is registered: the 32-bit DLL is harvested in a prefix of its own.
  WINEPREFIX=$prefix64 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix64 wineserver -w
  cp -a "$prefix64" "$prefix32"
fi

register "$prefix64" /usr/lib/wine/wine64 regsvr32.exe "$dll64" "Program Files" 64 harvest-x64
python3 "$helper" derive32 "$out/harvest-x64.json" -o "$out/harvest-x86.json"
if [ $runs32 = yes ]; then
  register "$prefix32" /usr/lib/wine/wine 'C:\windows\syswow64\regsvr32.exe' "$dll32" "Program Files (x86)" 32 \
    harvest-x86-run
  python3 "$helper" own32 "$out/harvest-x86-run.json" --harvest64 "$out/harvest-x64.json" \
    -o "$out/harvest-x86-real.json"
  echo "harvest: the 32-bit DLL's own entries against those derived from the 64-bit harvest"
  python3 "$helper" same "$out/harvest-x86-real.json" "$out/harvest-x86.json"
  mv "$out/harvest-x86-real.json" "$out/harvest-x86.json"
  rm -f "$out/harvest-x86-run.json"
else
  echo "harvest: this machine cannot run the 32-bit DLL: its entries are derived from the 64-bit harvest"
fi

python3 "$helper" wxi "$out/harvest-x64.json" --view 64 --file-id VornIEGUI64 --dir-id INSTALLFOLDER \
  -o "$out/registration-x64.wxi"
python3 "$helper" wxi "$out/harvest-x86.json" --view 32 --file-id VornIEGUI32 --dir-id INSTALLFOLDERX86 \
  -o "$out/registration-x86.wxi"
echo "harvest: $out/registration-x64.wxi, $out/registration-x86.wxi"
