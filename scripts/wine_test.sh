#!/usr/bin/env bash
# CTest's launcher for the Windows test programs: runs one under Wine.
# Now and then Wine fails to start a program at all: it exits non-zero at once,
# before the program has printed a line. Such a launch is tried once more. A
# program that ran and failed always prints something, and is not run again.
out=$(mktemp)
trap 'cat "$out"; rm -f "$out"; exit 124' TERM INT
for try in 1 2; do
  # In the background, so that CTest's timeout (TERM) still shows the output.
  wine "$@" >"$out" 2>&1 </dev/null &
  wait $!
  rc=$?
  if [ "$rc" = 0 ] || grep -q '[^[:space:]]' "$out" || [ "$try" = 2 ]; then break; fi
  echo "wine_test.sh: wine exited with $rc before the program printed anything; starting it again"
done
cat "$out"
rm -f "$out"
exit "$rc"
