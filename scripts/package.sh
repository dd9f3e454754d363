#!/usr/bin/env bash
# Builds the Windows Installer package, VornIEGUI.msi, from the two built DLLs with wixl:
#
#   scripts/package.sh [--x64 DLL|DIR] [--x86 DLL|DIR] [--version X.Y.Z] [--output FILE]
#                      [--registration DIR] [--prefix-template DIR]
#
# --x64, --x86    the DLLs, or the folders holding VornIEGUI.dll
#                 (default build/mingw-x64/bin and build/mingw-i686/bin)
# --version       the package's version (default: project(VornIEGUI VERSION ...) in CMakeLists.txt)
# --output        default build/package/VornIEGUI.msi
# --registration  a folder with the harvested registration (scripts/harvest-registration.sh)
#                 to use instead of harvesting it anew; the package's work folder by default
# --prefix-template  handed to scripts/harvest-registration.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

x64="$root/build/mingw-x64/bin" x86="$root/build/mingw-i686/bin"
version="" output="$root/build/package/VornIEGUI.msi" registration="" template=()
while [ $# -gt 0 ]; do
  case $1 in
    --x64) x64=$2 ;;
    --x86) x86=$2 ;;
    --version) version=$2 ;;
    --output) output=$2 ;;
    --registration) registration=$2 ;;
    --prefix-template) template=(--prefix-template "$2") ;;
    *) echo "package: unknown argument $1 (see the top of $0)" >&2; exit 2 ;;
  esac
  shift 2 || { echo "package: $1 needs a value" >&2; exit 2; }
done
dll_of() { if [ -d "$1" ]; then echo "$1/VornIEGUI.dll"; else echo "$1"; fi; }
dll64=$(dll_of "$x64") dll32=$(dll_of "$x86")
for f in "$dll64" "$dll32"; do
  [ -f "$f" ] || { echo "package: no DLL at $f (build the mingw presets first, or name the DLLs)" >&2; exit 1; }
done
command -v wixl >/dev/null || { echo "package: wixl is missing (bash scripts/install-deps.sh)" >&2; exit 1; }

if [ -z "$version" ]; then
  version=$(sed -nE 's/^project\(VornIEGUI[[:space:]]+VERSION[[:space:]]+([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
  [ -n "$version" ] || { echo "package: no VERSION in CMakeLists.txt's project()" >&2; exit 1; }
fi
# Windows Installer's versions: major.minor.build, at most 255.255.65535.
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ] ||
   [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
  echo "package: $version is not a Windows Installer version (major.minor.build, at most 255.255.65535)" >&2
  exit 2
fi

output=$(realpath -m "$output")
stage="$(dirname "$output")/stage-$(basename "$output" .msi)"
rm -rf "$stage"
mkdir -p "$stage/x64" "$stage/x86"
trap 'rm -rf "$stage"' EXIT
if [ -z "$registration" ]; then
  registration="$(dirname "$output")/registration"
  bash "$root/scripts/harvest-registration.sh" "${template[@]}" "$dll64" "$dll32" "$registration"
fi
for f in registration-x64.wxi registration-x86.wxi; do
  [ -f "$registration/$f" ] || { echo "package: no $f in $registration" >&2; exit 1; }
  cp "$registration/$f" "$stage/"
done

# wixl finds the files beside the source.
cp "$dll64" "$stage/x64/VornIEGUI.dll"
cp "$dll32" "$stage/x86/VornIEGUI.dll"
cp "$root/installer/VornIEGUI.wxs" "$stage/"
upgrade_code=$(sed -nE 's/.*UpgradeCode="([0-9A-Fa-f-]+)".*/\1/p' "$stage/VornIEGUI.wxs")
product_code=$(python3 "$root/installer/registration.py" product-code --upgrade-code "$upgrade_code" --version "$version")
(cd "$stage" && nice wixl --arch x64 -D Version="$version" -D ProductCode="$product_code" \
   -o "$output" VornIEGUI.wxs)
echo "package: $output (version $version, product $product_code)"
