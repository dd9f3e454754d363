#!/usr/bin/env bash
# Pictures of the library's toolbar bands in a browser window. Builds the
# Windows programs (preset mingw-x64), registers the DLL in a Wine prefix of
# its own that draws through X11 (build/wine-prefix-x11; the tests' prefix
# keeps its null driver), runs vornie-browser on the sample page under an X
# server (Xvfb on a free display when $DISPLAY is empty) and saves two
# pictures of its window: the one the program takes of itself, and the X
# server's view of the same window for comparison. With the stand-in archive
# server beside it (it keeps the sample pages), four more, of a pointer at
# work on the toolbars: a button's hint, the info card, the ratings menu, the
# domain links menu and a quick-links group's menu.
#
#   scripts/screenshots.sh [--no-server] [OUTDIR]     (default build/screenshots)
#
# --no-server: no stand-in archive server runs beside the browser.
# Not part of CI. Needs wine64, Xvfb, xwininfo, xdotool and ImageMagick (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

with_server=1
out=
for arg in "$@"; do
  case $arg in
    --no-server) with_server=0 ;;
    -*) echo "usage: scripts/screenshots.sh [--no-server] [OUTDIR]" >&2; exit 1 ;;
    *) out=$arg ;;
  esac
done
out=${out:-$root/build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

bin=$root/build/mingw-x64/bin
page=$root/tools/vornie-browser/sample-page.html
export WINEPREFIX=$root/build/wine-prefix-x11
export WINEDEBUG=${WINEDEBUG:--all}
# No browser engine or .NET runtime: Wine must not offer to install them.
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
wine=/usr/lib/wine/wine64

# A Windows path for a file of this machine (Wine's Z: drive is /).
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

# --- build ------------------------------------------------------------------
# A fresh machine gets what it needs first (the script installs only what is missing).
for tool in x86_64-w64-mingw32-g++-posix "$wine" Xvfb xwininfo import xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    bash "$root/scripts/install-deps.sh"
    break
  fi
done
if [ ! -f "$root/build/mingw-x64/build.ninja" ]; then
  cmake --preset mingw-x64 >/dev/null
fi
# Up to date in a moment when nothing changed; otherwise only these three.
cmake --build --preset mingw-x64 -j2 --target VornIEGUI vornie-browser vornie-archive-server >/dev/null
for f in VornIEGUI.dll vornie-browser.exe vornie-archive-server.exe; do
  [ -f "$bin/$f" ] || { echo "screenshots: $bin/$f was not built" >&2; exit 1; }
done

# --- clean-up of what this script starts ------------------------------------
xvfb_pid=
server_pid=
browser_pid=
cleanup() {
  set +e
  [ -n "$browser_pid" ] && kill "$browser_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
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
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=:$n
      break
    fi
  done
  [ -n "$xvfb_pid" ] || { echo "screenshots: no free X display" >&2; exit 1; }
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "screenshots: Xvfb did not start on $DISPLAY" >&2; exit 1; }
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "screenshots: Xvfb did not answer on $DISPLAY" >&2; exit 1; }
fi

# --- the prefix: made once, mended when it lacks what the pictures need ----
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.update-timestamp" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "screenshots: setting up $WINEPREFIX" >&2
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
if ! "$wine" regsvr32.exe /s "$(winpath "$bin/VornIEGUI.dll")" >/dev/null 2>&1; then
  echo "screenshots: regsvr32 could not register $bin/VornIEGUI.dll" >&2
  exit 1
fi

# --- the archive server beside the browser ----------------------------------
if [ "$with_server" = 1 ]; then
  server_log=$out/archive-server.log
  rm -f "$server_log"
  # The page is in its archive: the information strip shows its data.
  "$wine" "$bin/vornie-archive-server.exe" --archive-page "$(winpath "$page")" \
    --archive-page "$(winpath "$root/tools/vornie-browser/sample-news.html")" \
    --archive-page "$(winpath "$root/tools/vornie-browser/sample-garden.html")" >"$server_log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q '^ready' "$server_log" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { echo "screenshots: the archive server ended:" >&2; cat "$server_log" >&2; exit 1; }
    sleep 0.1
  done
  grep -q '^ready' "$server_log" || { echo "screenshots: the archive server is not ready" >&2; exit 1; }
fi

# --- the browser and its pictures -------------------------------------------
png=$out/browser-frame.png
xshot=$out/browser-frame-x11.png
browser_log=$out/vornie-browser.log
# Nothing of an earlier run may pass for this one's.
rm -f "$png" "$xshot" "$browser_log"
"$wine" "$bin/vornie-browser.exe" "$(winpath "$page")" --picture "$(winpath "$png")" >"$browser_log" 2>&1 &
browser_pid=$!
# The program prints the picture's path once it has saved it.
for _ in $(seq 300); do
  grep -q 'browser-frame.png' "$browser_log" 2>/dev/null && break
  kill -0 "$browser_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q 'browser-frame.png' "$browser_log"; then
  echo "screenshots: vornie-browser saved no picture:" >&2
  cat "$browser_log" >&2
  exit 1
fi

# The X server's view of the same window, while it is still up.
window=$(xwininfo -root -tree | awk '/"vornie-browser/ { print $1; exit }')
if [ -z "$window" ]; then
  echo "screenshots: the browser window is not on $DISPLAY:" >&2
  xwininfo -root -tree >&2 || true
  exit 1
fi
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
import -window root -crop "$geometry" +repage "$xshot"

# --- a person at the toolbar (with the server only: the strip is then in use) ---
# The pointer rests on the "Domain links" button (its hint), then on the info
# card's label (the page's picture), then clicks the rating label and the
# "Domain links" button (their menus), the arrows of the "Clear All", speech and
# translation buttons (their menus) and the arrow of the quick links' last
# group button (its links), each pictured by the X server. The
# places are found in the window's picture: the rating label is the one green
# box of the row, the card's and the comments' labels the two pale yellow ones
# after it, the button just right of the comments.
interactions=()
if [ "$with_server" = 1 ]; then
  read -r wx wy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    END {print x, y}')
  places=$(python3 - "$xshot" <<'PY'
import subprocess, sys
path = sys.argv[1]
w, h = map(int, subprocess.check_output(["identify", "-format", "%w %h", path]).split())
rgb = subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])
px = lambda x, y: tuple(rgb[(y * w + x) * 3:(y * w + x) * 3 + 3])
def label(y):  # the first run of 40 or more green pixels in row y
    x = 0
    while x < w:
        start = x
        while x < w and px(x, y) == (0, 128, 0):
            x += 1
        if x - start >= 40:
            return start, x - 1
        x += 1
found = next(((y, label(y)) for y in range(min(h, 160)) if label(y)), None)
if not found:
    sys.exit("no rating label in the picture")
top, (left, right) = found
bottom = top
while bottom + 1 < h and px(left, bottom + 1) == (0, 128, 0):
    bottom += 1
# Just inside the labels' top edge, above their text.
row = top + 1
runs, x = [], right + 1
while x < w and len(runs) < 2:
    if px(x, row) == (255, 255, 192):
        start = x
        while x < w and px(x, row) == (255, 255, 192):
            x += 1
        runs.append((start, x))
    x += 1
if len(runs) < 2:
    sys.exit("no card or comments label in the picture")
print("rating", (left + right) // 2, row)
# The drop-down arrows of the "Clear All", speech and translation buttons, the
# last three of the button row before the strip: their distances from the
# rating label are the row's button widths (23, or 36 with an arrow).
mid = (top + bottom) // 2
print("privacy", left - 106, mid)
print("speech", left - 70, mid)
print("translations", left - 10, mid)
print("card", (runs[0][0] + runs[0][1]) // 2, row)
print("domain", runs[1][1] + 16, row)
# The quick links' row is the next band row: its rightmost dark pixel is the
# drop-down arrow of its last group button.
arrow = next(((x, y) for x in range(w - 12, 70, -1) for y in range(top + 20, top + 36)
              if max(px(x, y)) < 0x90), None)
if arrow:
    print("group", arrow[0] - 1, arrow[1])
PY
  ) || { echo "screenshots: $places" >&2; places=; }
  place() { awk -v what="$1" -v wx="$wx" -v wy="$wy" '$1 == what {print $2 + wx, $3 + wy}' <<<"$places"; }
  # Below the window, room for a menu that opens downwards.
  shot() { import -window root -crop "$(awk -F'[x+]' '{printf "%dx%d+%d+%d", $1, $2 + 260, $3, $4}' <<<"$geometry")" \
    +repage "$out/$1"; interactions+=("$out/$1"); }
  if [ -n "$places" ]; then
    rm -f "$out"/button-hint.png "$out"/info-card.png "$out"/ratings-menu.png "$out"/domain-links-menu.png \
      "$out"/quick-links-menu.png "$out"/quick-link-opened.png "$out"/privacy-menu.png "$out"/speech-menu.png \
      "$out"/translations-menu.png
    read -r x y < <(place domain); xdotool mousemove "$x" "$y"; sleep 1.2; shot button-hint.png
    read -r x y < <(place card); xdotool mousemove "$x" "$y"; sleep 1.5; shot info-card.png
    read -r x y < <(place rating); xdotool mousemove "$x" "$y" click 1; sleep 1; shot ratings-menu.png
    xdotool key Escape; sleep 0.5
    read -r x y < <(place domain); xdotool mousemove "$x" "$y" click 1; sleep 1.5; shot domain-links-menu.png
    xdotool key Escape; sleep 0.5
    for menu in privacy speech translations; do
      # Into the menu, onto its second item, as a person choosing: the button's hint goes.
      read -r x y < <(place "$menu"); xdotool mousemove "$x" "$y" click 1; sleep 0.5
      xdotool mousemove "$((x + 20))" "$((y + 40))"; sleep 1; shot "$menu-menu.png"
      xdotool key Escape; sleep 0.5
    done
    if [ -n "$(place group)" ]; then
      read -r x y < <(place group); xdotool mousemove "$x" "$y" click 1; sleep 1; shot quick-links-menu.png
      # Its first link, just below the arrow: the frame's browser goes there.
      xdotool mousemove "$((x - 30))" "$((y + 22))" click 1; sleep 1; shot quick-link-opened.png
    fi
  fi
fi

# A user closing the window: the bands are closed and released as a browser does.
"$wine" taskkill.exe /im vornie-browser.exe >/dev/null 2>&1 || true
status=0
for _ in $(seq 100); do
  kill -0 "$browser_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$browser_pid" 2>/dev/null; then
  echo "screenshots: vornie-browser did not close; ending it" >&2
  kill "$browser_pid" 2>/dev/null || true
fi
wait "$browser_pid" || status=$?
browser_pid=
grep -v 'browser-frame.png' "$browser_log" >&2 || true

echo "$png"
echo "$xshot"
for picture in "${interactions[@]}"; do echo "$picture"; done
exit "$status"
