#!/usr/bin/env bash
# Builds everything and runs every test headless:
#   native unit tests (AddressSanitizer + UBSan), the threaded engine tests under
#   ThreadSanitizer, bounded libFuzzer runs, the Windows tests under Wine on a private Xvfb display,
#   and the end-to-end tests (the real program under Wine against injected faults);
#   it also makes the zip for Windows users, to see that it still can.
#   scripts/reliability.sh runs the longer reliability set and writes docs/reliability.md
#   from its results; scripts/bench.sh does the same for the benchmarks and docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
source scripts/wine_env.sh
tv_setup

status=0
run_step() {
  echo
  echo "=== $1"
  shift
  "$@" || { echo "=== FAILED: $*"; status=1; }
}

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }

run_step "native build" build native
run_step "native tests" ctest --preset native -LE e2e
run_step "ThreadSanitizer build" build native-tsan
run_step "ThreadSanitizer tests" ctest --preset native-tsan
run_step "fuzzer build" build fuzz
run_step "fuzzers, bounded runs" ctest --preset fuzz
run_step "Windows build" build windows
run_step "Windows zip" cpack --preset windows

trap tv_stop_all EXIT
tv_start_xvfb
tv_start_wine "$PWD/build/windows/wineprefix"
run_step "Windows tests under Wine" ctest --preset windows
# The real program under Wine against flakyfs and a full tmpfs (native test
# programs that run it; they need the Windows build and this display).
run_step "end-to-end tests under Wine" env TV_E2E=1 ctest --preset native -L e2e
tv_stop_all

echo
if [ "$status" = 0 ]; then echo "All test steps passed."; else echo "Some test steps FAILED."; fi
exit "$status"
