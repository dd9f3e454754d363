#!/usr/bin/env bash
# Builds the toolbars' bitmaps from the icon table and the Tango icon theme:
#   make-toolbar-icons.sh TABLE THEME_DIR OUT_DIR [CONVERT]
# writes into OUT_DIR
#   MainToolbar.bmp, MainToolbarHot.bmp   strip "main": N images of 16 x 16, side by side
#   QuickLinks.bmp, QuickLinksHot.bmp     strip "quicklinks", the same way
#   QuickLinksLogo.bmp                    strip "logo": its one icon centred on 62 x 22
# Every file is a BMP with a 40-byte header, 32 bits per pixel, BI_RGB, with the
# straight alpha in each pixel's fourth byte: the form LoadImage's DIB sections
# and alpha-aware image lists take on Windows, and the library's own reader.
# A hot picture is the icon brighter and more saturated, with a pale glow
# around its outline. CONVERT is ImageMagick's convert (default: from PATH).
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 TABLE THEME_DIR OUT_DIR [CONVERT]" >&2
  exit 2
fi
table=$1
theme=$2
out=$3
convert=${4:-convert}

fail() {
  echo "make-toolbar-icons: $*" >&2
  exit 1
}

[ -f "$table" ] || fail "no icon table at $table"
[ -d "$theme" ] || fail "no icon theme at $theme (Debian package tango-icon-theme)"
mkdir -p "$out"
work=$(mktemp -d "$out/.icons.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The table's rows per strip, in index order, checked: indexes from 0 without
# gaps, a known strip, an icon the theme has.
declare -A icons=()
declare -A counts=()
line=0
while IFS=$'\t' read -r strip index size icon role reason || [ -n "$strip" ]; do
  line=$((line + 1))
  case "$strip" in '' | '#'*) continue ;; esac
  case "$strip" in main | quicklinks | logo) ;; *) fail "$table:$line: unknown strip '$strip'" ;; esac
  [[ "$index" =~ ^[0-9]+$ ]] || fail "$table:$line: index '$index' is not a number"
  [[ "$size" =~ ^(16|22)$ ]] || fail "$table:$line: size '$size' is neither 16 nor 22"
  [ -n "$role" ] && [ -n "$reason" ] || fail "$table:$line: a row needs a role and a reason"
  file="$theme/${size}x${size}/$icon.png"
  [ -f "$file" ] || fail "$table:$line: the theme has no $icon at ${size}x${size} ($file)"
  key="$strip:$index"
  [ -z "${icons[$key]:-}" ] || fail "$table:$line: $strip index $index appears twice"
  icons[$key]=$file
  counts[$strip]=$((${counts[$strip]:-0} + 1))
done <"$table"

# The icon files of a strip, index 0 first, into the array `files`.
files_of() {
  local strip=$1 n=${counts[$1]:-0} i
  [ "$n" -gt 0 ] || fail "$table: strip '$strip' has no rows"
  files=()
  for ((i = 0; i < n; i++)); do
    [ -n "${icons[$strip:$i]:-}" ] || fail "$table: strip '$strip' lacks index $i"
    files+=("${icons[$strip:$i]}")
  done
}

# A BMP as the library reads it: 40-byte header, 32 bits, BI_RGB, the given size.
check_bmp() {
  local file=$1 width=$2 height=$3 header
  header=$(od -An -t u4 -j 14 -N 40 "$file" | tr -s ' \n' ' ')
  read -r size w h planes_bits compression _ <<<"$header"
  [ "$size" = 40 ] && [ "$w" = "$width" ] && [ "$h" = "$height" ] && [ "$planes_bits" = $((32 << 16 | 1)) ] &&
    [ "$compression" = 0 ] || fail "$convert wrote $file not as a 32-bit BI_RGB BMP of ${width}x${height} ($header)"
}

# ImageMagick writes the alpha of a 32-bit BMP3 when asked; the result replaces
# the old file only once it is whole and checked.
write_bmp() {
  local target=$1 width=$2 height=$3
  shift 3
  "$convert" "$@" -alpha set -define bmp3:alpha=true "BMP3:$work/out.bmp"
  check_bmp "$work/out.bmp" "$width" "$height"
  mv -f "$work/out.bmp" "$out/$target"
}

hot_icon() {
  "$convert" "$1" -background none -gravity center -extent 16x16 -modulate 112,150 \
    \( "$1" -background none -gravity center -extent 16x16 -alpha extract -morphology dilate disk:1 \
    -blur 0x0.8 -background '#ffe98a' -alpha shape \) -compose dst-over -composite "PNG32:$2"
}

strip() {
  local strip=$1 name=$2 n=${counts[$1]:-0} i
  files_of "$strip"
  write_bmp "$name.bmp" $((16 * n)) 16 "${files[@]}" -background none -gravity center -extent 16x16 +append
  local hot=()
  for ((i = 0; i < n; i++)); do
    hot_icon "${files[$i]}" "$work/hot$i.png"
    hot+=("$work/hot$i.png")
  done
  write_bmp "${name}Hot.bmp" $((16 * n)) 16 "${hot[@]}" +append
}

strip main MainToolbar
strip quicklinks QuickLinks
[ "${counts[logo]:-0}" = 1 ] || fail "$table: strip 'logo' needs exactly one row"
write_bmp QuickLinksLogo.bmp 62 22 "${icons[logo:0]}" -background none -gravity center -extent 62x22
