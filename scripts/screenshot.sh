#!/usr/bin/env bash
# Remakes docs/main-window.png, the picture in the README: the real program
# under Wine on a private Xvfb display, caught in the middle of a queue of five
# files: one copied, one whose source has vanished (its attempts used up), one
# being copied, two waiting.
#   scripts/screenshot.sh [--scale PERCENT]
# --scale 150 (or TV_SCALE=150) shows it on a screen at 150 %, 144 DPI (the
# prefix's LogPixels), with a window and a display 1.5 times as large, and
# writes docs/main-window-150.png instead.
# The end-to-end driver (tests/e2e/driver) works the window as a user would:
# Добавить through the open dialog, then Начать. The program runs from a folder
# of its own with a tvoln.ini written here (a small buffer, so that the copy is
# slow enough to be caught). Wine prefix: build/windows/wineprefix-screenshot,
# with drive S: for the sources and D: for the destination. Under a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
SCALE=${TV_SCALE:-100}
if [ "${1:-}" = --scale ] && [ -n "${2:-}" ]; then SCALE=$2; fi
case $SCALE in
  [1-9][0-9] | [1-9][0-9][0-9]) ;;
  *) echo "usage: $0 [--scale PERCENT]" >&2; exit 2 ;;
esac
# Pixels at 100 % at the chosen scale.
scaled() { echo $(($1 * SCALE / 100)); }
ROOT=$PWD
source scripts/setup.sh
source scripts/wine_env.sh
# xwd takes the window, netpbm turns it into a PNG; fonts-wine gives Wine its
# own fonts (the caption buttons are drawn with one of them).
tv_setup x11-apps netpbm fonts-wine

cmake --preset windows >/dev/null
cmake --build --preset windows --target tarvolin tv_e2e_driver
BUILD=$ROOT/build/windows
OUT=$ROOT/docs/main-window.png
[ "$SCALE" = 100 ] || OUT=$ROOT/docs/main-window-$SCALE.png

WORK=$(mktemp -d)
PREFIX=$BUILD/wineprefix-screenshot
cleanup() {
  local status=$?
  if [ "$status" != 0 ] && [ -s "$WORK/wine.log" ]; then tail -n 20 "$WORK/wine.log" >&2; fi
  tv_stop_all
  rm -f "$PREFIX/dosdevices/s:" "$PREFIX/dosdevices/d:"
  rm -rf "$WORK"
}
trap cleanup EXIT
TV_XVFB_SCREEN=$(scaled 1280)x$(scaled 1024)x24 tv_start_xvfb
tv_start_wine "$PREFIX"
# The scale is the DPI that this Wine reads at a program's start.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$(scaled 96)" /f \
  >/dev/null 2>&1
# This Wine does not look in /usr/share/wine/fonts, where fonts-wine puts them,
# but it does read the prefix's own Fonts folder.
ln -sf /usr/share/wine/fonts/*.ttf "$PREFIX/drive_c/windows/Fonts/"

# ---- Files ------------------------------------------------------------------
# Sources are sparse: their size is what the list shows, and reading them
# costs no disk. The second one is removed after it has been added.
mkdir -p "$WORK/share/Проект" "$WORK/backup/Копии" "$WORK/prog"
ln -sfn "$WORK/share" "$PREFIX/dosdevices/s:"
ln -sfn "$WORK/backup" "$PREFIX/dosdevices/d:"
SOURCE_DIR='S:\Проект'
names=(смета_2023.xlsx фото_объекта.zip видеоотчёт.mkv чертежи.pdf архив_почты.pst)
sizes=(2400000 48200000 734003200 15700000 1288490188)
for i in "${!names[@]}"; do truncate -s "${sizes[$i]}" "$WORK/share/Проект/${names[$i]}"; done
RUNNING=${names[2]}
RUNNING_SIZE=${sizes[2]}

# ---- Settings ---------------------------------------------------------------
# tvoln.ini: section Options, each record as upper-case hex bytes followed by
# their sum modulo 256. copy_param: destination folder (260 bytes, ANSI),
# buffer size, retry pause (ms), attempts, resume flag, 3 spare bytes.
# dialog_param: two zero words, window x, y, width, height (screen pixels,
# scaled here), list refresh period (ms), log autoscroll, 3 spare bytes.
# list_param is left to its defaults (column widths at 100 %).
cp "$BUILD/app/tarvolin.exe" "$WORK/prog/"
python3 - "$WORK/prog/tvoln.ini" "$(scaled 20)" "$(scaled 1000)" "$(scaled 480)" <<'PY'
import struct, sys

def record(data):
    return data.hex().upper() + "%02X" % (sum(data) % 256)

copy = "D:\\Копии".encode("cp1251").ljust(260, b"\0") + struct.pack("<iiiB3x", 256, 1500, 2, 1)
edge, width, height = (int(value) for value in sys.argv[2:5])
dialog = struct.pack("<IIiiiiiB3x", 0, 0, edge, edge, width, height, 1000, 1)
with open(sys.argv[1], "w", newline="\r\n") as ini:
    ini.write("[Options]\ncopy_param=%s\ndialog_param=%s\n" % (record(copy), record(dialog)))
PY

# ---- The driver -------------------------------------------------------------
coproc DRIVER { exec wine "$BUILD/tests/e2e/tv_e2e_driver.exe" 2>>"$WORK/wine.log"; }
# One command; its answer's value goes to $VALUE. Fails on .err or silence.
driver() {
  local line
  printf '%s\n' "$1" >&"${DRIVER[1]}"
  while IFS= read -r -t 60 line <&"${DRIVER[0]}"; do
    line=${line%$'\r'}
    case $line in
      .ok*)
        VALUE=${line#.ok}
        VALUE=${VALUE# }
        return 0
        ;;
      .err*) echo "driver: $1: $line" >&2; return 1 ;;
    esac
  done
  echo "driver: no answer to: $1" >&2
  return 1
}

driver "launch Z:${WORK//\//\\}\\prog"
driver "add $SOURCE_DIR ${names[*]}"
rm "$WORK/share/Проект/${names[1]}"
driver "click 1000"  # Начать

# Caught between a quarter and three quarters of the running file, at a list
# refresh that shows a speed (one second's worth of bytes; a tick that comes a
# moment early shows none), then checked: the row was still being copied.
window=$(xwininfo -root -tree | awk '/Tarvolin":/ {print $1; exit}')
if [ -z "$window" ]; then
  echo "no Tarvolin window on $DISPLAY" >&2
  exit 1
fi
dest="$WORK/backup/Копии/$RUNNING"
caught=
for _ in $(seq 1 1200); do
  percent=$(($(stat -c %s "$dest" 2>/dev/null || echo 0) * 100 / RUNNING_SIZE))
  [ "$percent" -gt 75 ] && break
  if [ "$percent" -ge 25 ]; then
    driver "cell 2 5"
    case $VALUE in
      "" | 0.0\ *) ;;
      *) caught=1 && break ;;
    esac
  fi
  sleep 0.1
done
[ -n "$caught" ] && xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$OUT.new"
driver "cell 2 4"
if [ -z "$caught" ] || [ "$VALUE" != "Выполняется" ]; then
  echo "the third row was not caught while being copied (state: $VALUE, $percent%)" >&2
  rm -f "$OUT.new"
  exit 1
fi
mv "$OUT.new" "$OUT"

driver "click 1001"  # Остановить
driver "close wm 30000"
driver quit || true
echo "Wrote $OUT ($(stat -c %s "$OUT") bytes)"
