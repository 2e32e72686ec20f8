#!/usr/bin/env bash
# The whole reliability set, longer than the test command's share of it, and
# its report: rewrites the generated parts of docs/reliability.md from the
# results of this run.
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
# build/TAG-reliability/). Exit status 0 only when every test passed with no
# hang and no sanitizer report.
#
# Knobs (environment):
#   TV_REL_NATIVE_REPEAT=20  runs of each native reliability test
#   TV_REL_REPEAT=3          runs of each ThreadSanitizer and end-to-end scenario test
#   TV_REL_FUZZ_SECONDS=60   seconds of each fuzzer
#   TV_E2E_CLOSE_TRIALS=60   close-during-copy trials of the real program
#   TV_BUILD_TAG=name        build in build/name-native, -tsan, -fuzz, -win (default: the preset folders)
#   TV_WINEPREFIX=folder     the Wine prefix (default: wineprefix in the Windows build folder)
#   TV_REL_NO_REPORT=1       run, but leave docs/reliability.md as it is
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
for fuzzer in record_decoder config_file number_text; do
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
report_status=0
python3 - "$results" docs/reliability.md "${TV_REL_NO_REPORT:-0}" <<'PYTHON' || report_status=$?
import glob, os, re, sys
import xml.etree.ElementTree as ET

results, doc_path, no_report = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
meta = dict(line.rstrip("\n").split("=", 1) for line in open(os.path.join(results, "meta")))
steps = [line.rstrip("\n").split("|") for line in open(os.path.join(results, "steps"))]

SANITIZER = re.compile(r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|"
                       r"runtime error:|ERROR: libFuzzer|SUMMARY: UndefinedBehaviorSanitizer")

def read(path):
    try:
        return open(path, encoding="utf-8", errors="replace").read()
    except OSError:
        return ""

def tests_of(group):
    """Per test: runs, failed, seconds and the summed numeric properties."""
    tests = {}
    for path in sorted(glob.glob(os.path.join(results, group, "*.xml"))):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            continue
        for case in root.iter("testcase"):
            if case.get("result") == "skipped" or case.find("skipped") is not None:
                continue
            if case.get("status") != "run":  # also drops the listings of test discovery
                continue
            name = case.get("classname", "") + "." + case.get("name", "")
            entry = tests.setdefault(name, {"runs": 0, "failed": 0, "seconds": 0.0, "props": {}})
            entry["runs"] += 1
            entry["failed"] += 1 if case.find("failure") is not None else 0
            entry["seconds"] += float(case.get("time", "0") or 0)
            props = {p.get("name"): p.get("value") for p in case.iter("property")}
            for key, value in case.attrib.items():  # older gtest: properties as attributes
                if key not in ("name", "status", "result", "time", "timestamp", "classname", "file", "line"):
                    props.setdefault(key, value)
            for key, value in props.items():
                try:
                    entry["props"][key] = entry["props"].get(key, 0) + int(value)
                except (TypeError, ValueError):
                    pass
    return tests

def log_counts(*names):
    text = "".join(read(os.path.join(results, n)) for n in names)
    return len(SANITIZER.findall(text)), text.count("***Timeout")

def figure(value):
    return f"{value:,}".replace(",", " ")

def mib(value):
    return f"{value / 1048576:,.1f} MiB".replace(",", " ")

groups = {}
lines = {}

def group_table(key, title, tests, logs):
    runs = sum(t["runs"] for t in tests.values())
    failed = sum(t["failed"] for t in tests.values())
    compared = sum(t["props"].get("bytes_compared", 0) for t in tests.values())
    hangs = sum(t["props"].get("hangs", 0) for t in tests.values())
    trials = sum(t["props"].get("trials", 0) for t in tests.values())
    starts = sum(t["props"].get("program_starts", 0) for t in tests.values())
    reports, timeouts = log_counts(*logs)
    groups[key] = dict(title=title, tests=len(tests), runs=runs, failed=failed, compared=compared,
                       hangs=hangs + timeouts, trials=trials, starts=starts, reports=reports)
    out = ["| Test | Runs | Failed | Bytes compared | Seconds |", "|---|---:|---:|---:|---:|"]
    for name, t in sorted(tests.items()):
        bc = t["props"].get("bytes_compared")
        out.append(f"| `{name}` | {t['runs']} | {t['failed']} | "
                   f"{figure(bc) if bc is not None else 'not recorded'} | {t['seconds']:.1f} |")
    if not tests:
        out.append("| (no test ran) | | | | |")
    lines[key] = out

group_table("native", "Native reliability tests (engine, ASan + UBSan)", tests_of("native"),
            ["native.log"])
group_table("tsan", "Threaded engine tests (ThreadSanitizer)", tests_of("tsan"), ["tsan.log"])
e2e_tests = tests_of("e2e")
group_table("e2e", "End-to-end under Wine (real tarvolin.exe)", e2e_tests, ["e2e.log", "e2e-close.log"])

# Fuzzers.
fuzz_out = ["| Fuzzer | Seconds | Inputs run | Corpus at the end | Crashes, leaks, timeouts |",
            "|---|---:|---:|---:|---:|"]
fuzz_runs = fuzz_crashes = 0
for status_path in sorted(glob.glob(os.path.join(results, "fuzz", "*.status"))):
    name = os.path.basename(status_path)[:-len(".status")]
    text = read(os.path.join(results, "fuzz", name + ".log"))
    done = re.search(r"Done (\d+) runs in (\d+) second", text)
    corpus = re.findall(r"#\d+\s+\w+\s+cov: \d+ ft: \d+ corp: (\d+)/", text)
    artifacts = [p for p in glob.glob(os.path.join(results, "fuzz", name + "-*"))]
    bad = len(artifacts) + (0 if read(status_path).strip() == "0" else 1 if not artifacts else 0)
    runs = int(done.group(1)) if done else 0
    fuzz_runs += runs
    fuzz_crashes += bad
    fuzz_out.append(f"| `{name}` | {done.group(2) if done else '?'} | {figure(runs)} | "
                    f"{corpus[-1] if corpus else '?'} | {bad} |")
fuzz_reports, _ = log_counts(*[os.path.relpath(p, results)
                               for p in glob.glob(os.path.join(results, "fuzz", "*.log"))])
groups["fuzz"] = dict(title="libFuzzer targets", tests=len(fuzz_out) - 2, runs=fuzz_runs,
                      failed=fuzz_crashes, compared=None, hangs=0, trials=None, reports=fuzz_reports)
lines["fuzz"] = fuzz_out

# The close trials' own account of what it did.
close_line = re.findall(r"^(?:\d+: )?(trials \d+ \(.*)$", read(os.path.join(results, "e2e-close.log")), re.M)
trials_props = {}
for name, t in e2e_tests.items():
    if "CloseTrials" in name:
        trials_props = t["props"]
close_out = []
if trials_props:
    close_out.append(f"- {figure(trials_props.get('trials', 0))} trials, each a fresh start of "
                     f"`tarvolin.exe`; the question (string 502) came in "
                     f"{figure(trials_props.get('asked', 0))}; closed while the controller was "
                     f"between two rows (a run under way, files left, no worker, no question): "
                     f"{figure(trials_props.get('between_rows', 0))}; hangs: {trials_props.get('hangs', 0)}; "
                     f"{mib(trials_props.get('bytes_compared', 0))} of partial destinations compared.")
for line in close_line:
    close_out.append(f"- As the test printed it: `{line.strip()}`")
if not close_out:
    close_out.append("- (the close trials did not run)")
lines["close"] = close_out

summary = ["| Set | Tests | Runs | Failed | Bytes compared | Hangs | Sanitizer reports |",
           "|---|---:|---:|---:|---:|---:|---:|"]
for key in ("native", "tsan", "fuzz", "e2e"):
    g = groups[key]
    runs = f"{figure(g['runs'])} inputs" if key == "fuzz" else figure(g["runs"])
    if g.get("trials"):
        runs += f" (+{figure(g['trials'])} close trials)"
    if g.get("starts"):
        runs += f"; {figure(g['starts'])} starts of the program"
    compared = "—" if g["compared"] is None else (mib(g["compared"]) if g["compared"] else "not recorded")
    summary.append(f"| {g['title']} | {g['tests']} | {runs} | {g['failed']} | {compared} | "
                   f"{g['hangs']} | {g['reports']} |")
total_failed = sum(g["failed"] for g in groups.values())
total_hangs = sum(g["hangs"] for g in groups.values())
total_reports = sum(g["reports"] for g in groups.values())
failed_steps = [s[0] for s in steps if s[1] != "ok"]
summary.append("")
summary.append(f"Failed tests: {total_failed}; hangs: {total_hangs}; sanitizer reports: "
               f"{total_reports}; failed steps: {', '.join(failed_steps) if failed_steps else 'none'}.")
lines["summary"] = summary

lines["run"] = [
    f"Run of {meta['date']} on commit `{meta['commit']}`; {meta['wine']}, Linux {meta['kernel']}.",
    f"Each native reliability test ran up to {meta['native_repeat']} times "
    f"(`TV_REL_NATIVE_REPEAT`), each ThreadSanitizer and end-to-end scenario test up to "
    f"{meta['repeat']} times (`TV_REL_REPEAT`), stopping at a failure; each fuzzer {meta['fuzz_seconds']} s "
    f"(`TV_REL_FUZZ_SECONDS`); {meta['close_trials']} close trials (`TV_E2E_CLOSE_TRIALS`).",
    "",
    "| Step | Result | Seconds |", "|---|---|---:|",
] + [f"| {s[0]} | {s[1]} | {s[2]} |" for s in steps]

print("\n".join(lines["summary"]))

if not no_report:
    doc = read(doc_path)
    for key, out in lines.items():
        pattern = re.compile(r"(<!-- generated:%s -->\n).*?(<!-- /generated:%s -->)" % (key, key), re.S)
        if not pattern.search(doc):
            print(f"docs/reliability.md has no block '{key}'; left out", file=sys.stderr)
            continue
        doc = pattern.sub(lambda m: m.group(1) + "\n".join(out) + "\n" + m.group(2), doc)
    open(doc_path, "w", encoding="utf-8").write(doc)
    print(f"\nWrote {doc_path}")

sys.exit(1 if total_failed or total_hangs or total_reports or failed_steps else 0)
PYTHON

echo
if [ "$status" = 0 ] && [ "$report_status" = 0 ]; then
  echo "Reliability set passed: no failure, no hang, no sanitizer report."
else
  echo "Reliability set FAILED (see $results and docs/reliability.md)."
  status=1
fi
exit "$status"
