#!/usr/bin/env bash
# Builds the benchmarks, runs them all and writes docs/performance.md from
# their results.
#   scripts/bench.sh
# Native programs in build/bench-rel (optimised, no sanitizers), Windows ones in
# build/bench-win, run under Wine in the prefix /tmp/bench-wine on a private
# Xvfb display. Test files go to /dev/shm when it has room, else to
# build/bench-data; they are removed at the end. About ten minutes on two
# cores. Not part of scripts/test.sh: speed is measured here, never asserted in
# tests.
#
# Each benchmark run leaves its results, one JSON file, in build/bench-results,
# beside `meta` (the machine and the run, key=value lines). From them
# scripts/write_performance.py writes the report, its prose taken from
# docs/templates/performance.md.in; the results are then copied to
# tests/reports/samples/performance, from which the tests check that the
# writer still gives the committed report.
#   TV_BENCH_NO_REPORT=1  measure only: the report and the sample stay as they are
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
REL=$ROOT/build/bench-rel
WIN=$ROOT/build/bench-win
RESULTS=$ROOT/build/bench-results
SAMPLE=$ROOT/tests/reports/samples/performance
export WINEPREFIX=${BENCH_WINEPREFIX:-/tmp/bench-wine}
export WINEDEBUG=-all LC_ALL=ru_RU.UTF-8 WINEDLLOVERRIDES="mscoree=;mshtml="
started=$(date +%s)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

say() { echo "=== $*" >&2; }

# ---- Build ------------------------------------------------------------------
say "building"
cmake -S . -B "$REL" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$REL" -j2 --target tv_bench_copy tv_bench_faults tv_bench_small \
  tv_bench_holes >/dev/null
if [ -f "$WIN/CMakeCache.txt" ]; then
  cmake -S . -B "$WIN" >/dev/null
else
  cmake -S . -B "$WIN" --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$WIN" -j2 --target tv_bench_wine_copy tv_bench_window >/dev/null
BIN=$REL/bench
WBIN=$WIN/bench/windows

# ---- Test files -------------------------------------------------------------
need=$((3 * 1024 * 1024 * 1024))
if [ "$(df --output=avail -B1 /dev/shm 2>/dev/null | tail -1)" -gt "$need" ] 2>/dev/null; then
  DATA=$(mktemp -d /dev/shm/tv-bench.XXXXXX)
  PLACE="/dev/shm (tmpfs, the page cache itself)"
else
  mkdir -p "$ROOT/build/bench-data"
  DATA=$(mktemp -d "$ROOT/build/bench-data/run.XXXXXX")
  PLACE="$(findmnt -no FSTYPE -T "$DATA") on disk, source warmed into the page cache"
fi
DISK=$(mktemp -d "$ROOT/build/bench-disk.XXXXXX")
rm -rf "$RESULTS"
mkdir -p "$RESULTS"
XVFB_PID=
cleanup() {
  rm -rf "$DATA" "$DISK"
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

say "making a 1 GiB and a 256 MiB source in $DATA"
head -c 1G /dev/urandom >"$DATA/src_1g"
head -c 256M "$DATA/src_1g" >"$DATA/src_256m"
winpath() { echo "Z:${1//\//\\}"; }
# A benchmark's results: result NAME PROGRAM ARGS... keeps its JSON as NAME.json.
result() { "${@:2}" >"$RESULTS/$1.json"; }
# The same for a Windows program under Wine, whose lines end in CR LF.
wine_result() { wine "${@:2}" | tr -d '\r' >"$RESULTS/$1.json"; }

# ---- Native -----------------------------------------------------------------
say "native throughput"
result native_throughput "$BIN/tv_bench_copy" throughput "$DATA/src_1g" "$DATA" 5 \
  4096 131072 1048576
say "native peak memory"
result native_rss_256m "$BIN/tv_bench_copy" rss "$DATA/src_256m" "$DATA/rss.out" 131072
result native_rss_1g "$BIN/tv_bench_copy" rss "$DATA/src_1g" "$DATA/rss.out" 131072
rm -f "$DATA/rss.out"
say "cost of a fault"
result faults "$BIN/tv_bench_faults" "$DATA/src_256m" "$DATA/fault.out" 131072 0 1 10 100
say "small files, native"
result small_page_cache "$BIN/tv_bench_small" "page cache" "$DATA/small" "$DATA/small_out" 2000 5
disk_label="disk ($(findmnt -no FSTYPE -T "$DISK"), engine flushes each file)"
result small_disk "$BIN/tv_bench_small" "$disk_label" "$DISK/small" "$DISK/small_out" 2000 2
say "cost of the resume check"
result resume "$BIN/tv_bench_small" --resume "$DATA/small" "$DATA/resume_out" 1000 5
say "rescue around dead sectors"
result holes "$BIN/tv_bench_holes" "$DATA/holes_src" "$DATA/holes_out" 64 100

# ---- Under Wine -------------------------------------------------------------
say "starting Xvfb :75 and the Wine prefix $WINEPREFIX"
if [ ! -e /tmp/.X11-unix/X75 ]; then
  Xvfb :75 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X75 ] && break; sleep 0.1; done
fi
export DISPLAY=:75
if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i >/dev/null 2>&1 || true; fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true

say "throughput under Wine"
wine_result wine_throughput "$WBIN/tv_bench_wine_copy.exe" throughput "$(winpath "$DATA/src_1g")" \
  "$(winpath "$DATA/wine.out")" 5 4096 131072 1048576
wine_result wine_memory_256m "$WBIN/tv_bench_wine_copy.exe" memory "$(winpath "$DATA/src_256m")" \
  "$(winpath "$DATA/wine.out")" 131072
wine_result wine_memory_1g "$WBIN/tv_bench_wine_copy.exe" memory "$(winpath "$DATA/src_1g")" \
  "$(winpath "$DATA/wine.out")" 131072
rm -f "$DATA/src_1g" "$DATA/src_256m"
say "one large file through the window"
wine_result wine_large "$WBIN/tv_bench_window.exe" copy "$(winpath "$DATA/wlarge")" \
  "$(winpath "$DATA/wlarge_out")" 1 1073741824 5
say "refresh ticks"
wine_result refresh "$WBIN/tv_bench_window.exe" refresh 1000 10000
say "log of 100,000 lines"
wine_result log "$WBIN/tv_bench_window.exe" log 100000
# The open dialog does not browse into /dev/shm, and a durable copy is meant
# to pay for its flushes: these two run on the disk.
say "Add through the open dialog"
wine_result add "$WBIN/tv_bench_window.exe" add "$(winpath "$DISK/add")" \
  "$(winpath "$DISK/add_out")" 3 1000 10000
say "a folder through the folder picker"
wine_result add_folder "$WBIN/tv_bench_window.exe" add-folder "$(winpath "$DISK/add")" \
  "$(winpath "$DISK/add_out")" 3 10000 100
say "small files under Wine"
wine_result wine_small "$WBIN/tv_bench_window.exe" copy "$(winpath "$DISK/wsmall")" \
  "$(winpath "$DISK/wsmall_out")" 1000 4096 3
# The same three with the queue's journal kept, as the program keeps it.
say "the queue's journal: refresh ticks, small files, one large file"
journal_result() { TV_BENCH_JOURNAL="$(winpath "$2/tvoln.queue")" wine_result "$1" "${@:3}"; }
journal_result refresh_journal "$DATA" "$WBIN/tv_bench_window.exe" refresh 10000
journal_result wine_small_journal "$DISK" "$WBIN/tv_bench_window.exe" copy \
  "$(winpath "$DISK/wsmall")" "$(winpath "$DISK/wsmall_out")" 1000 4096 3
journal_result wine_large_journal "$DATA" "$WBIN/tv_bench_window.exe" copy \
  "$(winpath "$DATA/wlarge")" "$(winpath "$DATA/wlarge_out")" 1 1073741824 3
rm -f "$DATA/tvoln.queue" "$DISK/tvoln.queue"

# ---- The run's facts --------------------------------------------------------
elapsed=$(($(date +%s) - started))
{
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "seconds=$elapsed"
  echo "cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -1)"
  echo "cores=$(nproc)"
  echo "memory=$(free -h | awk '/^Mem:/ {print $2}')"
  echo "kernel=$(uname -r)"
  echo "native_compiler=$(g++ --version | head -1)"
  echo "windows_compiler=$(x86_64-w64-mingw32-g++-posix --version | head -1)"
  echo "wine=$(wine --version)"
  echo "load_before=$load_before"
  echo "load_after=$(cut -d' ' -f1-3 /proc/loadavg)"
  echo "test_files=$PLACE"
} >"$RESULTS/meta"

# ---- Report -----------------------------------------------------------------
if [ "${TV_BENCH_NO_REPORT:-0}" = 1 ]; then
  say "done in ${elapsed} s; results in $RESULTS, the report left as it is"
  exit 0
fi
python3 scripts/write_performance.py "$RESULTS" docs/performance.md
rm -rf "$SAMPLE"
mkdir -p "$SAMPLE"
cp "$RESULTS"/* "$SAMPLE"/
say "done in ${elapsed} s; wrote docs/performance.md, results in $RESULTS and $SAMPLE"
