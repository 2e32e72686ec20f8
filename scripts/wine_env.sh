#!/usr/bin/env bash
# Starts and stops a private Xvfb display and Wine prefix for headless tests.
# Sourced by test.sh.

tv_free_display() {
  local n
  for n in $(seq 90 190); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"
      return
    fi
  done
  echo "no free X display between :90 and :190" >&2
  return 1
}

# TV_XVFB_SCREEN: the screen's WIDTHxHEIGHTxDEPTH, 1280x1024x24 unless given.
tv_start_xvfb() {
  local n
  n=$(tv_free_display)
  Xvfb ":$n" -screen 0 "${TV_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
  TV_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}

# $1: the prefix folder (inside the build folder).
tv_start_wine() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export LC_ALL=ru_RU.UTF-8
  # No network here: never offer to download the .NET and HTML runtimes.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # Xvfb has no window manager; unmanaged windows spare Wine a pause of about
  # two seconds each time a dialog closes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  # Keep one wineserver for the whole run, so each test program starts fast.
  wineserver -p >/dev/null 2>&1 || true
}

tv_stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${TV_XVFB_PID:-}" ]; then kill "$TV_XVFB_PID" 2>/dev/null || true; fi
  TV_XVFB_PID=
}
