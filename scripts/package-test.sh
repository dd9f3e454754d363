#!/usr/bin/env bash
# Tests the Windows Installer package under Wine, in a fresh 64-bit prefix of its own:
# install, use, upgrade, repair and removal, each checked against what regsvr32 writes.
#
#   scripts/package-test.sh [--x64 DLL|DIR] [--x86 DLL|DIR] [--browser EXE]
#
# --x64, --x86  the DLLs (default build/mingw-x64/bin, build/mingw-i686/bin)
# --browser     vornie-browser.exe of the mingw-x64 build, which hosts both toolbar bands
#               (default build/mingw-x64/bin/vornie-browser.exe)
#
# Where Wine's Windows Installer or this machine cannot do what Windows does, the check
# says so and what it accepts instead (NOTE lines); none is left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
helper="$root/installer/registration.py"
started=$(date +%s)

x64="$root/build/mingw-x64/bin" x86="$root/build/mingw-i686/bin" browser=""
while [ $# -gt 0 ]; do
  case $1 in
    --x64) x64=$2 ;;
    --x86) x86=$2 ;;
    --browser) browser=$2 ;;
    *) echo "package-test: unknown argument $1 (see the top of $0)" >&2; exit 2 ;;
  esac
  shift 2 || { echo "package-test: $1 needs a value" >&2; exit 2; }
done
dll_of() { if [ -d "$1" ]; then echo "$1/VornIEGUI.dll"; else echo "$1"; fi; }
dll64=$(dll_of "$x64") dll32=$(dll_of "$x86")
[ -n "$browser" ] || browser="$(dirname "$dll64")/vornie-browser.exe"
for f in "$dll64" "$dll32" "$browser"; do
  [ -f "$f" ] || { echo "package-test: missing $f (build the mingw presets first)" >&2; exit 1; }
done

work="$root/build/package-test"
pristine="$work/pristine" prefix="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
wine64=/usr/lib/wine/wine64
cleanup() {
  for p in "$pristine" "$prefix"; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  # The prefixes are large; the packages and the registry snapshots stay for a look.
  rm -rf "$pristine" "$prefix"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

step() { echo "=== package-test: $*"; }
fail() { echo "package-test: FAILED: $*" >&2; exit 1; }
pass() { echo "    ok: $*"; }
note() { echo "    NOTE: $*"; }

# ---------------------------------------------------------------- packages
step "a fresh 64-bit Wine prefix"
WINEPREFIX=$pristine nice bash "$root/scripts/wine-prefix.sh" >/dev/null
WINEPREFIX=$pristine wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$pristine wineserver -w

version1=$(sed -nE 's/^project\(VornIEGUI[[:space:]]+VERSION[[:space:]]+([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
version2="${version1%.*}.$(( ${version1##*.} + 1 ))"
step "the package of version $version1, and one of $version2 with changed files"
bash "$root/scripts/package.sh" --x64 "$dll64" --x86 "$dll32" --output "$work/v1/VornIEGUI.msi" \
  --prefix-template "$pristine"
# Files that differ from the first package's and still load: bytes after a PE image's end
# are not part of the image.
mkdir -p "$work/v2-dlls/x64" "$work/v2-dlls/x86"
for kind in x64 x86; do
  src=$dll64
  [ $kind = x86 ] && src=$dll32
  { cat "$src"; echo "VornIEGUI package test, version $version2"; } >"$work/v2-dlls/$kind/VornIEGUI.dll"
done
bash "$root/scripts/package.sh" --x64 "$work/v2-dlls/x64" --x86 "$work/v2-dlls/x86" --version "$version2" \
  --registration "$work/v1/registration" --output "$work/v2/VornIEGUI.msi"
harvests=("$work/v1/registration/harvest-x64.json" "$work/v1/registration/harvest-x86.json")

# ---------------------------------------------------------------- the prefix
cp -a "$pristine" "$prefix"
export WINEPREFIX=$prefix
drive="$prefix/drive_c"
mkdir -p "$drive/package-test"
cp "$root/tests/package/create-objects.vbs" "$browser" "$drive/package-test/"
for v in 1 2; do mkdir -p "$drive/package-test/v$v" && cp "$work/v$v/VornIEGUI.msi" "$drive/package-test/v$v/"; done
msi1='C:\package-test\v1\VornIEGUI.msi' msi2='C:\package-test\v2\VornIEGUI.msi'
folder64="Program Files/VornIEGUI" folder32="Program Files (x86)/VornIEGUI"
win64='C:\Program Files\VornIEGUI\VornIEGUI.dll' win32='C:\Program Files (x86)\VornIEGUI\VornIEGUI.dll'

# The library's own settings, which it writes for the user when it is used: the user's data,
# which no package installs and Windows Installer leaves on removal.
settings=(--ignore 'HKCU\Software\Zandrel\Brisel')

snapshot() {  # NAME: the registry as Wine saves it when its server ends
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  mkdir -p "$work/registry/$1"
  cp "$prefix/system.reg" "$prefix/user.reg" "$work/registry/$1/"
}
# Runs msiexec with ARGS /qn into msiexec.out; its exit status. Now and then Wine's loader
# trips over its own assertion in ld.so while the process exits (status 127, "Inconsistency
# detected by ld.so"), after msiexec did its work but losing its answer: then once more.
run_msiexec() {  # ARGS...
  local status=0
  "$wine64" msiexec.exe "$@" /qn >"$work/msiexec.out" 2>&1 || status=$?
  if [ $status -eq 127 ] && grep -q 'Inconsistency detected by ld.so' "$work/msiexec.out"; then
    note "Wine's loader failed at the end of msiexec $* (ld.so's assertion): run again"
    status=0
    "$wine64" msiexec.exe "$@" /qn >"$work/msiexec.out" 2>&1 || status=$?
  fi
  return $status
}
msiexec() {  # what ARGS...
  local what=$1 status=0
  shift
  run_msiexec "$@" || status=$?
  [ $status -eq 0 ] || fail "msiexec $* ($what) ended with $status: $(cat "$work/msiexec.out")"
}
installed_as() {  # WHAT DLL64 DLL32: both files in place, byte for byte
  cmp -s "$drive/$folder64/VornIEGUI.dll" "$2" || fail "$1: $folder64/VornIEGUI.dll is not $2"
  cmp -s "$drive/$folder32/VornIEGUI.dll" "$3" || fail "$1: $folder32/VornIEGUI.dll is not $3"
  pass "$1: both DLLs installed, byte for byte"
}
registration_is_harvested() {  # SNAPSHOT
  local short64 short32
  short64=$("$wine64" winepath.exe -s "$win64" 2>/dev/null | tr -d '\r') || fail "winepath -s $win64"
  short32=$("$wine64" winepath.exe -s "$win32" 2>/dev/null | tr -d '\r') || fail "winepath -s $win32"
  snapshot "$1"
  python3 "$helper" check --before "$work/registry/baseline" --after "$work/registry/$1" \
    --expect "${harvests[0]}=$win64=$short64" --expect "${harvests[1]}=$win32=$short32" "${settings[@]}" ||
    fail "the registry after $1 is not the harvested registration"
  pass "the registry holds exactly the harvested entries of both DLLs"
}
products_are() {  # SNAPSHOT VERSION: one product of ours, of that version
  local listed
  listed=$(python3 "$helper" products "$work/registry/$1" VornIEGUI)
  [ "$(wc -l <<<"$listed")" -eq 1 ] && [ "${listed##* }" = "$2" ] ||
    fail "$1: expected one VornIEGUI product of version $2 in the Uninstall key, found: ${listed:-none}"
  pass "one product registered, version $2 (${listed%% *})"
}

step "planting entries of someone else that share our parent keys"
someone='{5E1F0A11-7E57-4C1A-9A55-00000000A1B2}'
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$someone]" '@="Someone else'"'"'s class"' '' \
  "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$someone\\InprocServer32]" '@="C:\\someone\\else.dll"' '' \
  "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\$someone\\InprocServer32]" '@="C:\\someone\\else32.dll"' '' \
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Toolbar]' "\"$someone\"=\"Someone else's bar\"" '' \
  '[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Internet Explorer\Toolbar]' \
  "\"$someone\"=\"Someone else's 32-bit bar\"" >"$drive/package-test/someone.reg"
"$wine64" regedit.exe /s 'C:\package-test\someone.reg' >/dev/null 2>&1 || fail "regedit could not plant the entries"
# Wine's script host registers its own type library when it first runs: before the baseline.
printf 'WScript.Quit 0\r\n' >"$drive/package-test/nothing.vbs"
"$wine64" cscript.exe //nologo 'C:\package-test\nothing.vbs' >/dev/null 2>&1 || fail "Wine's script host does not run"
snapshot baseline
planted() {  # SNAPSHOT
  python3 "$helper" holds "$work/registry/$1" HKLM "Software\\Classes\\CLSID\\$someone" @ "Someone else's class" &&
  python3 "$helper" holds "$work/registry/$1" HKLM "Software\\Classes\\CLSID\\$someone\\InprocServer32" @ 'C:\someone\else.dll' &&
  python3 "$helper" holds "$work/registry/$1" HKLM "Software\\Classes\\Wow6432Node\\CLSID\\$someone\\InprocServer32" @ \
    'C:\someone\else32.dll' &&
  python3 "$helper" holds "$work/registry/$1" HKLM 'Software\Microsoft\Internet Explorer\Toolbar' "$someone" "Someone else's bar" &&
  python3 "$helper" holds "$work/registry/$1" HKLM 'Software\Wow6432Node\Microsoft\Internet Explorer\Toolbar' "$someone" \
    "Someone else's 32-bit bar"
}
planted baseline || fail "the planted entries are not in the registry"
pass "unrelated class keys and toolbar values in both views"

# ---------------------------------------------------------------- (a) install
step "(a) msiexec /i VornIEGUI.msi /qn installs version $version1"
msiexec "install" /i "$msi1"
installed_as "install" "$dll64" "$dll32"
registration_is_harvested installed
products_are installed "$version1"

# ---------------------------------------------------------------- (b) use
clients() {  # WHAT
  local out
  out=$("$wine64" cscript.exe //nologo 'C:\package-test\create-objects.vbs' 2>&1 | tr -d '\r') ||
    fail "$1: the script client failed: $out"
  # Wine's script host ends with 0 on an error it does not report: the lines count too.
  for line in "created VornIEGUI.VornBHOGUI as IVornBHOGUI" "called VornBHOGUI.MouseMove" \
              "called VornBHOGUI.MouseOutLink" "created VornIEGUI.VornOffUtils as IVornOffUtils"; do
    grep -qxF "$line" <<<"$out" || fail "$1: the script client did not print \"$line\"; it printed: $out"
  done
  pass "$1: the automation classes created by ProgID from a script and called by name (64-bit)"
  # The bands have no IDispatch (a script cannot make them): the browser frame creates them
  # by class as a browser does, and fails when either cannot be made and sited.
  "$wine64" 'C:\package-test\vornie-browser.exe' --picture 'C:\package-test\frame.png' --quit-after-picture \
    >"$work/browser.out" 2>&1 || fail "$1: the browser frame could not host the bands: $(cat "$work/browser.out")"
  pass "$1: both toolbar bands created by class and hosted in the browser frame (64-bit)"
  if bash "$root/scripts/can-run-32bit.sh" && [ -x /usr/lib/wine/wine ]; then
    out=$(/usr/lib/wine/wine 'C:\windows\syswow64\cscript.exe' //nologo 'C:\package-test\create-objects.vbs' 2>&1 |
          tr -d '\r') || fail "$1: the 32-bit script client failed: $out"
    grep -qxF "created VornIEGUI.VornOffUtils as IVornOffUtils" <<<"$out" &&
      grep -qxF "created VornIEGUI.VornBHOGUI as IVornBHOGUI" <<<"$out" ||
      fail "$1: the 32-bit script client could not create the classes: $out"
    pass "$1: the automation classes created by ProgID from a 32-bit script"
  else
    note "this machine cannot run 32-bit programs: the 32-bit classes are checked by their entries only"
  fi
}
step "(b) late-bound clients of the installed library"
clients "after install"

# ---------------------------------------------------------------- (c) upgrade
step "(c) msiexec /i of version $version2 upgrades in place"
msiexec "upgrade" /i "$msi2"
installed_as "upgrade" "$work/v2-dlls/x64/VornIEGUI.dll" "$work/v2-dlls/x86/VornIEGUI.dll"
registration_is_harvested upgraded
products_are upgraded "$version2"
clients "after upgrade"

# ---------------------------------------------------------------- (d) repair
step "(d) repair restores a deleted file and deleted entries"
# Wine's msiexec cannot repair with /f: given a package it asks for the package's path as a
# product (1605, unknown product; 69 as an exit status), and a product code it does not
# handle at all. For that answer only, the repair is made as /f is defined, by installing
# the package again with REINSTALL=ALL and REINSTALLMODE set to /f's letters.
repair() {  # MODE, /fa or /famus
  local status=0
  run_msiexec "$1" "$msi2" || status=$?
  if [ $status -eq 69 ]; then
    note "Wine's msiexec $1 answers 1605 (unknown product): REINSTALL=ALL REINSTALLMODE=${1#/f} instead"
    msiexec "repair $1" /i "$msi2" REINSTALL=ALL REINSTALLMODE="${1#/f}"
  elif [ $status -ne 0 ]; then
    fail "msiexec $1 $msi2 ended with $status: $(cat "$work/msiexec.out")"
  fi
}
rm "$drive/$folder64/VornIEGUI.dll"
repair /fa
[ -f "$drive/$folder64/VornIEGUI.dll" ] || fail "msiexec /fa did not restore $folder64/VornIEGUI.dll"
installed_as "repair (/fa)" "$work/v2-dlls/x64/VornIEGUI.dll" "$work/v2-dlls/x86/VornIEGUI.dll"
offutils='{0BCA9A71-9E56-4727-8756-4358C072C703}'
"$wine64" reg.exe delete "HKLM\\Software\\Classes\\CLSID\\$offutils\\InprocServer32" /ve /f /reg:64 >/dev/null 2>&1 &&
  "$wine64" reg.exe delete 'HKLM\Software\Microsoft\Internet Explorer\Toolbar' \
    /v '{75CD0BC5-E317-449C-9FF6-4986B3D48F64}' /f /reg:32 >/dev/null 2>&1 ||
  fail "reg could not delete the entries to repair"
snapshot damaged
toolbar_value=("Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Toolbar" '{75CD0BC5-E317-449C-9FF6-4986B3D48F64}')
for entry in "Software\\Classes\\CLSID\\$offutils\\InprocServer32|@" "${toolbar_value[0]}|${toolbar_value[1]}"; do
  python3 "$helper" holds --absent "$work/registry/damaged" HKLM "${entry%|*}" "${entry#*|}" ||
    fail "reg did not delete ${entry}"
done
# Windows Installer rewrites the machine's registry entries on a repair with m (/fa alone
# reinstalls files only); the default repair, /f, is /fomus.
repair /famus
registration_is_harvested repaired
pass "the repair restored the deleted file, class path and 32-bit toolbar value"

# ---------------------------------------------------------------- (e) removal
step "(e) msiexec /x VornIEGUI.msi /qn removes everything it installed"
msiexec "removal" /x "$msi2"
for f in "$folder64" "$folder32"; do
  [ ! -e "$drive/$f" ] || fail "removal left $f: $(find "$drive/$f" | head -5)"
done
pass "both install folders removed"
snapshot removed
planted removed || fail "removal changed the planted entries"
pass "the unrelated class keys and toolbar values are untouched"
python3 "$helper" unchanged --before "$work/registry/baseline" --after "$work/registry/removed" "${settings[@]}" ||
  fail "removal left the registry different from before the install"
pass "the registry is as before the install: every entry of the package removed"

echo "package-test: all checks passed in $(( $(date +%s) - started )) s"
