#!/usr/bin/env bash
# Builds tarvolin.exe and starts it under Wine on the user's display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
tv_setup

cmake --preset windows >/dev/null
cmake --build --preset windows --target tarvolin

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'TXT'
There is no display (DISPLAY is not set), so the window has nowhere to appear.
Run this command from a desktop session, or over ssh with X forwarding (ssh -X),
or start a virtual display first, e.g.:  Xvfb :1 -screen 0 1280x1024x24 &  export DISPLAY=:1
The program itself is built: build/windows/app/tarvolin.exe
TXT
  exit 2
fi

export LC_ALL=ru_RU.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="
exec wine build/windows/app/tarvolin.exe
