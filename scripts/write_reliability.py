#!/usr/bin/env python3
"""Writes docs/reliability.md from the results of scripts/reliability.sh.

    scripts/write_reliability.py RESULTS [--output DOC] [--sample FOLDER]

RESULTS is the folder scripts/reliability.sh fills: `meta` (the run, key=value
lines), `steps` (name|ok or failed|seconds), the test programs' XML in
native/, tsan/ and e2e/, the ctest logs, and per fuzzer its log and exit code
in fuzz/. Prints the summary; with --output, writes the report there from
docs/templates/reliability.md.in, which holds its text; with --sample, keeps
in FOLDER the part of the results this writer reads, from which it gives the
same report. Exits 1 when the results hold a failed test or step, a hang or a
sanitizer report.
"""
import argparse
import glob
import os
import re
import shutil
import sys
import xml.etree.ElementTree as ET

from report_template import ROOT, read_meta, table, write_report

TEMPLATE = os.path.join(ROOT, "docs", "templates", "reliability.md.in")
TEST_GROUPS = ("native", "tsan", "e2e")
LOGS = {"native": ["native.log"], "tsan": ["tsan.log"], "e2e": ["e2e.log", "e2e-close.log"]}
TITLES = {"native": "Native reliability tests (engine, ASan + UBSan)",
          "tsan": "Threaded engine tests (ThreadSanitizer)",
          "fuzz": "libFuzzer targets",
          "e2e": "End-to-end under Wine (real tarvolin.exe)"}

# What the logs are read for.
SANITIZER = re.compile(r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|"
                       r"runtime error:|ERROR: libFuzzer|SUMMARY: UndefinedBehaviorSanitizer")
TIMEOUT = "***Timeout"
CLOSE_TRIALS_LINE = re.compile(r"^(?:\d+: )?(trials \d+ \(.*)$", re.M)
FUZZ_DONE = re.compile(r"Done (\d+) runs in (\d+) second")
FUZZ_CORPUS = re.compile(r"#\d+\s+\w+\s+cov: \d+ ft: \d+ corp: (\d+)/")
# Attributes of a test case that are not its recorded properties.
CASE_ATTRIBUTES = {"name", "status", "result", "time", "timestamp", "classname", "file", "line"}


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as text:
            return text.read()
    except OSError:
        return ""


def figure(value):
    return f"{value:,}".replace(",", " ")


def mib(value):
    return f"{value / 1048576:,.1f} MiB".replace(",", " ")


# ---- The test programs' XML ------------------------------------------------

def run_cases(path):
    """The test cases of one XML file that ran (neither skipped nor only listed)."""
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        return []
    return [case for case in root.iter("testcase")
            if case.get("result") != "skipped" and case.find("skipped") is None
            and case.get("status") == "run"]  # also drops the listings of test discovery


def case_properties(case):
    """A test case's recorded numbers; older gtest writes them as attributes."""
    props = {p.get("name"): p.get("value") for p in case.iter("property")}
    for key, value in case.attrib.items():
        if key not in CASE_ATTRIBUTES:
            props.setdefault(key, value)
    numbers = {}
    for key, value in props.items():
        try:
            numbers[key] = int(value)
        except (TypeError, ValueError):
            pass
    return numbers


def tests_of(results, group):
    """Per test: runs, failed, seconds and the summed numeric properties."""
    tests = {}
    for path in sorted(glob.glob(os.path.join(results, group, "*.xml"))):
        for case in run_cases(path):
            name = case.get("classname", "") + "." + case.get("name", "")
            entry = tests.setdefault(name, {"runs": 0, "failed": 0, "seconds": 0.0, "props": {}})
            entry["runs"] += 1
            entry["failed"] += 1 if case.find("failure") is not None else 0
            entry["seconds"] += float(case.get("time", "0") or 0)
            for key, value in case_properties(case).items():
                entry["props"][key] = entry["props"].get(key, 0) + value
    return tests


def log_counts(results, names):
    """Sanitizer reports and ctest timeouts in the named logs."""
    text = "".join(read(os.path.join(results, name)) for name in names)
    return len(SANITIZER.findall(text)), text.count(TIMEOUT)


def summed(tests, prop):
    return sum(t["props"].get(prop, 0) for t in tests.values())


def test_group(results, key):
    """A set of tests: its line of the summary and its table."""
    tests = tests_of(results, key)
    reports, timeouts = log_counts(results, LOGS[key])
    group = dict(title=TITLES[key], tests=len(tests), runs=sum(t["runs"] for t in tests.values()),
                 failed=sum(t["failed"] for t in tests.values()),
                 compared=summed(tests, "bytes_compared"),
                 hangs=summed(tests, "hangs") + timeouts, trials=summed(tests, "trials"),
                 starts=summed(tests, "program_starts"), reports=reports)
    return group, tests_table(tests), tests


def tests_table(tests):
    rows = []
    for name, t in sorted(tests.items()):
        compared = t["props"].get("bytes_compared")
        rows.append([f"`{name}`", t["runs"], t["failed"],
                     "not recorded" if compared is None else figure(compared),
                     f"{t['seconds']:.1f}"])
    text = table(["Test", "Runs", "Failed", "Bytes compared", "Seconds"], rows, "lrrrr")
    return text if tests else text + "\n| (no test ran) | | | | |"


# ---- The fuzzers -----------------------------------------------------------

def fuzzer_names(results):
    paths = sorted(glob.glob(os.path.join(results, "fuzz", "*.status")))
    return [os.path.basename(path)[:-len(".status")] for path in paths]


def fuzzer_artifacts(results, name):
    return glob.glob(os.path.join(results, "fuzz", name + "-*"))


def fuzz_group(results):
    rows, runs, crashes = [], 0, 0
    for name in fuzzer_names(results):
        text = read(os.path.join(results, "fuzz", name + ".log"))
        done = FUZZ_DONE.search(text)
        corpus = FUZZ_CORPUS.findall(text)
        artifacts = fuzzer_artifacts(results, name)
        exited_badly = read(os.path.join(results, "fuzz", name + ".status")).strip() != "0"
        bad = len(artifacts) + (1 if exited_badly and not artifacts else 0)
        inputs = int(done.group(1)) if done else 0
        runs += inputs
        crashes += bad
        rows.append([f"`{name}`", done.group(2) if done else "?", figure(inputs),
                     corpus[-1] if corpus else "?", bad])
    reports, _ = log_counts(results, [os.path.join("fuzz", name + ".log")
                                      for name in fuzzer_names(results)])
    group = dict(title=TITLES["fuzz"], tests=len(rows), runs=runs, failed=crashes, compared=None,
                 hangs=0, trials=None, starts=None, reports=reports)
    header = ["Fuzzer", "Seconds", "Inputs run", "Corpus at the end", "Crashes, leaks, timeouts"]
    return group, table(header, rows, "lrrrr")


# ---- The close trials, the summary, the run --------------------------------

def close_lines(results, e2e_tests):
    """The close trials' own account of what they did."""
    props = next((t["props"] for name, t in e2e_tests.items() if "CloseTrials" in name), {})
    lines = []
    if props:
        lines.append(f"- {figure(props.get('trials', 0))} trials, each a fresh start of "
                     f"`tarvolin.exe`; the question (string 502) came in "
                     f"{figure(props.get('asked', 0))}; closed while the controller was "
                     f"between two rows (a run under way, files left, no worker, no question): "
                     f"{figure(props.get('between_rows', 0))}; hangs: {props.get('hangs', 0)}; "
                     f"{mib(props.get('bytes_compared', 0))} of partial destinations compared.")
    printed = CLOSE_TRIALS_LINE.findall(read(os.path.join(results, "e2e-close.log")))
    lines += [f"- As the test printed it: `{line.strip()}`" for line in printed]
    return "\n".join(lines or ["- (the close trials did not run)"])


def summary_row(key, group):
    runs = f"{figure(group['runs'])} inputs" if key == "fuzz" else figure(group["runs"])
    if group["trials"]:
        runs += f" (+{figure(group['trials'])} close trials)"
    if group["starts"]:
        runs += f"; {figure(group['starts'])} starts of the program"
    if group["compared"] is None:
        compared = "—"
    else:
        compared = mib(group["compared"]) if group["compared"] else "not recorded"
    return [group["title"], group["tests"], runs, group["failed"], compared, group["hangs"],
            group["reports"]]


def totals(groups, steps):
    return dict(failed=sum(g["failed"] for g in groups.values()),
                hangs=sum(g["hangs"] for g in groups.values()),
                reports=sum(g["reports"] for g in groups.values()),
                failed_steps=[step[0] for step in steps if step[1] != "ok"])


def summary(groups, total):
    header = ["Set", "Tests", "Runs", "Failed", "Bytes compared", "Hangs", "Sanitizer reports"]
    rows = [summary_row(key, groups[key]) for key in ("native", "tsan", "fuzz", "e2e")]
    failed_steps = ", ".join(total["failed_steps"]) or "none"
    return (table(header, rows, "lrrrrrr") + "\n\n"
            f"Failed tests: {total['failed']}; hangs: {total['hangs']}; sanitizer reports: "
            f"{total['reports']}; failed steps: {failed_steps}.")


def run_account(meta, steps):
    knobs = (f"Each native reliability test ran up to {meta['native_repeat']} times "
             f"(`TV_REL_NATIVE_REPEAT`), each ThreadSanitizer and end-to-end scenario test up to "
             f"{meta['repeat']} times (`TV_REL_REPEAT`), stopping at a failure; each fuzzer "
             f"{meta['fuzz_seconds']} s (`TV_REL_FUZZ_SECONDS`); {meta['close_trials']} close "
             f"trials (`TV_E2E_CLOSE_TRIALS`).")
    return "\n".join([
        f"Run of {meta['date']} on commit `{meta['commit']}`; {meta['wine']}, "
        f"Linux {meta['kernel']}.", knobs, "",
        table(["Step", "Result", "Seconds"], steps, "llr")])


def read_steps(results):
    with open(os.path.join(results, "steps"), encoding="utf-8") as steps:
        return [line.rstrip("\n").split("|") for line in steps if line.strip()]


def report(results):
    """The report's values, and the totals that decide the exit status."""
    steps = read_steps(results)
    groups, values, e2e_tests = {}, {}, {}
    for key in TEST_GROUPS:
        groups[key], values[key], tests = test_group(results, key)
        if key == "e2e":
            e2e_tests = tests
    groups["fuzz"], values["fuzz"] = fuzz_group(results)
    total = totals(groups, steps)
    values["summary"] = summary(groups, total)
    values["close"] = close_lines(results, e2e_tests)
    values["run"] = run_account(read_meta(os.path.join(results, "meta")), steps)
    return values, total


# ---- The sample: what this writer reads, and no more -----------------------

def keep_lines(text, pattern):
    return "".join(line for line in text.splitlines(keepends=True) if pattern.search(line))


def keep_fuzz_log(text):
    """The Done line and sanitizer reports, and the last corpus count."""
    kept = keep_lines(text, re.compile(FUZZ_DONE.pattern + "|" + SANITIZER.pattern))
    corpus = [line for line in text.splitlines(keepends=True) if FUZZ_CORPUS.search(line)]
    return (corpus[-1] if corpus else "") + kept


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


def kept_runs(results, group):
    """The test cases of a group that ran, in the order they are read, in one XML
    file, without what no figure comes from: the source file's path, and of a
    failure's message all but its first line."""
    root = ET.Element("testsuites")
    for path in sorted(glob.glob(os.path.join(results, group, "*.xml"))):
        for case in run_cases(path):
            for attribute in ("file", "line", "timestamp"):
                case.attrib.pop(attribute, None)
            for failure in case.iter("failure"):  # only its place: the log after it is long
                where = failure.get("message", "").split("\n")[0]
                failure.set("message", where)
                failure.text = where
            root.append(case)
    ET.indent(root)
    return ET.tostring(root, encoding="unicode") + "\n"


def keep_sample(results, sample):
    """Copies to `sample` what this writer reads: the test cases that ran, the logs
    cut to the lines it reads in them; a small folder that gives the same report."""
    shutil.rmtree(sample, ignore_errors=True)
    for name in ("meta", "steps"):
        write_text(os.path.join(sample, name), read(os.path.join(results, name)))
    for group in TEST_GROUPS:
        write_text(os.path.join(sample, group, "runs.xml"), kept_runs(results, group))
    log_lines = re.compile(SANITIZER.pattern + "|" + re.escape(TIMEOUT) + "|" +
                           CLOSE_TRIALS_LINE.pattern)
    for name in sum(LOGS.values(), []):
        write_text(os.path.join(sample, name), keep_lines(read(os.path.join(results, name)),
                                                          log_lines))
    for name in fuzzer_names(results):
        for suffix in (".status", ".log"):
            text = read(os.path.join(results, "fuzz", name + suffix))
            write_text(os.path.join(sample, "fuzz", name + suffix),
                       keep_fuzz_log(text) if suffix == ".log" else text)
        for artifact in fuzzer_artifacts(results, name):
            shutil.copy(artifact, os.path.join(sample, "fuzz"))


def main(argv):
    parser = argparse.ArgumentParser(description="Writes docs/reliability.md from the results "
                                     "of scripts/reliability.sh.")
    parser.add_argument("results")
    parser.add_argument("--output", help="the report to write")
    parser.add_argument("--sample", help="a folder to keep the part of the results read")
    args = parser.parse_args(argv[1:])
    values, total = report(args.results)
    print(values["summary"])
    if args.output:
        write_report(TEMPLATE, values, args.output)
        print(f"\nWrote {args.output}")
    if args.sample:
        keep_sample(args.results, args.sample)
    broken = total["failed"] or total["hangs"] or total["reports"] or total["failed_steps"]
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
