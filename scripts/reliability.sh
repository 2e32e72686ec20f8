#!/usr/bin/env bash
# The whole reliability set, longer than the test command's share of it, and
# its report: docs/reliability.md written from the results of this run.
#
#   1. the native reliability tests: the engine copying from flakyfs (FUSE) and
#      into a small tmpfs, AddressSanitizer + UBSan, each test repeated;
#   2. the threaded engine tests (stop and close at random moments) under
#      ThreadSanitizer, repeated;
#   3. each libFuzzer target for a fixed time (new inputs go to a scratch
#      corpus under the results folder; the committed seeds stay as they are);
#   4. the end-to-end scenarios: the real tarvolin.exe under Wine and Xvfb
#      against flakyfs and tmpfs, repeated, with the 4 GiB resume; then the
#      close-during-copy trials of the real program.
#
# Needs root and /dev/fuse (it mounts FUSE and tmpfs file systems). Installs
# what is missing as scripts/test.sh does. Results: build/reliability/ (or
# build/TAG-reliability/): `meta` and `steps` (this run), the test programs'
# XML, the ctest logs, and the fuzzers' logs and exit codes. From them
# scripts/write_reliability.py writes the report (its text is
# docs/templates/reliability.md.in) and keeps what it read in
# tests/reports/samples/reliability/. Exit status 0 only when every test
# passed with no hang and no sanitizer report.
#
# Knobs (environment):
#   TV_REL_NATIVE_REPEAT=20  runs of each native reliability test
#   TV_REL_REPEAT=3          runs of each ThreadSanitizer and end-to-end scenario test
#   TV_REL_FUZZ_SECONDS=60   seconds of each fuzzer
#   TV_E2E_CLOSE_TRIALS=60   close-during-copy trials of the real program
#   TV_BUILD_TAG=name        build in build/name-native, -tsan, -fuzz, -win (default: the preset folders)
#   TV_WINEPREFIX=folder     the Wine prefix (default: wineprefix in the Windows build folder)
#   TV_REL_NO_REPORT=1       run, but leave docs/reliability.md and the kept results as they are
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
source scripts/wine_env.sh
tv_setup

native_repeat=${TV_REL_NATIVE_REPEAT:-20}
repeat=${TV_REL_REPEAT:-3}
fuzz_seconds=${TV_REL_FUZZ_SECONDS:-60}
close_trials=${TV_E2E_CLOSE_TRIALS:-60}
if [ -n "${TV_BUILD_TAG:-}" ]; then
  dir_native=build/$TV_BUILD_TAG-native
  dir_tsan=build/$TV_BUILD_TAG-tsan
  dir_fuzz=build/$TV_BUILD_TAG-fuzz
  dir_win=build/$TV_BUILD_TAG-win
  results=build/$TV_BUILD_TAG-reliability
else
  dir_native=build/native
  dir_tsan=build/native-tsan
  dir_fuzz=build/fuzz
  dir_win=build/windows
  results=build/reliability
fi
prefix=${TV_WINEPREFIX:-$PWD/$dir_win/wineprefix}

if [ "$(id -u)" != 0 ] || [ ! -w /dev/fuse ]; then
  echo "scripts/reliability.sh mounts FUSE and tmpfs file systems: run it as root, with /dev/fuse." >&2
  exit 1
fi

rm -rf "$results"
mkdir -p "$results"/{native,tsan,fuzz,e2e}
status=0
step() {
  local name=$1
  shift
  echo
  echo "=== $name"
  local started=$SECONDS
  if "$@"; then
    echo "$name|ok|$((SECONDS - started))" >>"$results/steps"
  else
    echo "=== FAILED: $name"
    echo "$name|failed|$((SECONDS - started))" >>"$results/steps"
    status=1
  fi
}
build() {
  local preset=$1 dir=$2
  cmake --preset "$preset" -B "$dir" >/dev/null && cmake --build "$dir" -j2
}
# ctest with a copy of its console output in a file: ctest_logged LOG [VAR=value...] -- ARGS...
ctest_logged() {
  local log=$1
  shift
  local vars=()
  while [ "$1" != "--" ]; do
    vars+=("$1")
    shift
  done
  shift
  env "${vars[@]}" ctest --output-on-failure "$@" 2>&1 | tee "$log"
}

native_env=(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)

step "native build" build native "$dir_native"
step "native reliability tests (x$native_repeat)" ctest_logged "$results/native.log" "${native_env[@]}" \
  GTEST_OUTPUT="xml:$PWD/$results/native/" -- \
  --test-dir "$dir_native" -L reliability --repeat until-fail:"$native_repeat"

step "ThreadSanitizer build" build native-tsan "$dir_tsan"
step "ThreadSanitizer tests (x$repeat)" ctest_logged "$results/tsan.log" \
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 GTEST_OUTPUT="xml:$PWD/$results/tsan/" -- \
  --test-dir "$dir_tsan" -L threads --repeat until-fail:"$repeat"

run_fuzzer() {
  local name=$1
  mkdir -p "$results/fuzz/corpus_$name"
  local code=0
  "$dir_fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$results/fuzz/$name-" "$results/fuzz/corpus_$name" "tests/fuzz/seeds/$name" \
    >"$results/fuzz/$name.log" 2>&1 || code=$?
  echo "$code" >"$results/fuzz/$name.status"
  grep -E "^(Done|#[0-9]+[[:space:]]+DONE)" "$results/fuzz/$name.log" || true
  return "$code"
}
step "fuzzer build" build fuzz "$dir_fuzz"
for fuzzer in record_decoder config_file number_text queue_journal; do
  step "fuzzer $fuzzer (${fuzz_seconds} s)" run_fuzzer "$fuzzer"
done

step "Windows build" build windows "$dir_win"
trap tv_stop_all EXIT
tv_start_xvfb
tv_start_wine "$prefix"
e2e_env=(TV_E2E=1 TV_E2E_WINDOWS_BUILD="$PWD/$dir_win" "${native_env[@]}")
step "end-to-end scenarios under Wine (x$repeat)" ctest_logged "$results/e2e.log" "${e2e_env[@]}" \
  TV_E2E_LONG=1 GTEST_OUTPUT="xml:$PWD/$results/e2e/" -- \
  --test-dir "$dir_native" -L e2e -E CloseTrials --repeat until-fail:"$repeat"
step "close-during-copy trials under Wine ($close_trials)" ctest_logged "$results/e2e-close.log" \
  "${e2e_env[@]}" TV_E2E_CLOSE_TRIALS="$close_trials" GTEST_OUTPUT="xml:$PWD/$results/e2e/" -- \
  --test-dir "$dir_native" -R CloseTrials -V
tv_stop_all
trap - EXIT

{
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet HEAD 2>/dev/null || echo ' (with local changes)')"
  echo "wine=$(wine --version 2>/dev/null || echo unknown)"
  echo "kernel=$(uname -r)"
  echo "native_repeat=$native_repeat"
  echo "repeat=$repeat"
  echo "fuzz_seconds=$fuzz_seconds"
  echo "close_trials=$close_trials"
} >"$results/meta"

# The report: figures from the XML of every test run, the logs and the fuzzers.
report_args=(--output docs/reliability.md --sample tests/reports/samples/reliability)
if [ "${TV_REL_NO_REPORT:-0}" = 1 ]; then report_args=(); fi
report_status=0
python3 scripts/write_reliability.py "$results" "${report_args[@]}" || report_status=$?

echo
if [ "$status" = 0 ] && [ "$report_status" = 0 ]; then
  echo "Reliability set passed: no failure, no hang, no sanitizer report."
else
  echo "Reliability set FAILED (see $results and docs/reliability.md)."
  status=1
fi
exit "$status"
