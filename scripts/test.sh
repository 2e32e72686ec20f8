#!/usr/bin/env bash
# Builds everything and runs every test headless:
#   native unit tests (AddressSanitizer + UBSan), the threaded engine tests under
#   ThreadSanitizer, bounded libFuzzer runs, and the Windows tests under Wine on a private Xvfb display.
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
run_step "native tests" ctest --preset native
run_step "ThreadSanitizer build" build native-tsan
run_step "ThreadSanitizer tests" ctest --preset native-tsan
run_step "fuzzer build" build fuzz
run_step "fuzzers, bounded runs" ctest --preset fuzz
run_step "Windows build" build windows

trap tv_stop_all EXIT
tv_start_xvfb
tv_start_wine "$PWD/build/windows/wineprefix"
run_step "Windows tests under Wine" ctest --preset windows
tv_stop_all

echo
if [ "$status" = 0 ]; then echo "All test steps passed."; else echo "Some test steps FAILED."; fi
exit "$status"
