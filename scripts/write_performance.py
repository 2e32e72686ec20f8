#!/usr/bin/env python3
"""Writes docs/performance.md from the results of scripts/bench.sh.

    scripts/write_performance.py RESULTS [OUTPUT]

RESULTS is a folder with the run's facts (`meta`, key=value lines) and one
JSON file a benchmark run, as scripts/bench.sh leaves them in
build/bench-results and keeps a copy in tests/reports/samples/performance.
OUTPUT is docs/performance.md by default. The prose is the template's,
docs/templates/performance.md.in; the tables, the figures in the prose and
every verdict are made here, from the numbers.
"""
import json
import os
import sys

from report_template import ROOT, read_meta, table, verdict, write_report

TEMPLATE = os.path.join(ROOT, "docs", "templates", "performance.md.in")
MIB = 1024.0 * 1024.0

# The targets, as the template's Targets table states them.
THROUGHPUT_RATIO = 0.95      # engine against the bare loop, same buffer
REREAD_BLOCKS = 1.0          # re-read per fault
ADD_SECONDS_PER_FILE = 0.002  # 2 s for 1,000 files, 20 s for 10,000
ADD_FOLDER_SECONDS = 10.0
SMALL_WINDOW_SPEED = 0.5     # 1,000 small files: against the bare durable loop
LARGE_WINDOW_SPEED = 0.95    # one 1 GiB file: against the bare durable loop
WINDOW_TIME = 1.5            # against the in-memory window's time
HOLES_PASSES = 3
REFRESH_UNCHANGED_US = 2000
REFRESH_RUNNING_US = 3000
LOG_WINDOW_US = 50
MEMORY_GROWTH_KIB = 1024     # from a 256 MiB file to a 1 GiB one


def load(results, name):
    with open(os.path.join(results, name + ".json"), encoding="utf-8") as result:
        return json.load(result)


def fixed(value, digits):
    """As printf's %.Nf."""
    return f"{value:.{digits}f}"


def buffer_label(size):
    if size % (1 << 20) == 0:
        return f"{size >> 20} MiB"
    if size % 1024 == 0:
        return f"{size >> 10} KiB"
    return f"{size} B"


def table_verdict(oks):
    return "holds" if all(oks) else "**fails** (see the table)"


# ---- 1 and 2: throughput ---------------------------------------------------

def native_throughput(run):
    rows = [[buffer_label(b["buffer"]), fixed(b["engine_mib_s"], 0), fixed(b["bare_mib_s"], 0),
             fixed(b["dd_mib_s"], 0), fixed(b["engine_ratio"], 3), fixed(b["worst_ratio"], 3),
             fixed(b["dd_ratio"], 3), verdict(b["engine_ratio"] >= THROUGHPUT_RATIO)]
            for b in run["buffers"]]
    header = ["Buffer", "Engine MiB/s", "Bare loop MiB/s", "dd MiB/s", "Engine / bare",
              "Worst round", "dd / bare", "Engine ≥ 0.95× bare"]
    return {"native_throughput_table": table(header, rows),
            "native_throughput_verdict": throughput_verdict(run)}


def wine_throughput(run):
    rows = [[buffer_label(b["buffer"]), fixed(b["engine_mib_s"], 0), fixed(b["bare_mib_s"], 0),
             fixed(b["engine_ratio"], 3), fixed(b["worst_ratio"], 3),
             verdict(b["engine_ratio"] >= THROUGHPUT_RATIO)]
            for b in run["buffers"]]
    header = ["Buffer", "Engine MiB/s", "Bare loop MiB/s", "Engine / bare", "Worst round",
              "Engine ≥ 0.95× bare"]
    return {"wine_throughput_table": table(header, rows),
            "wine_throughput_verdict": throughput_verdict(run)}


def throughput_verdict(run):
    return table_verdict(b["engine_ratio"] >= THROUGHPUT_RATIO for b in run["buffers"])


# ---- 3: faults -------------------------------------------------------------

def faults(run):
    rows = []
    for row in run["faults"]:
        extra = row.get("extra_ms_per_fault")
        rows.append([row["k"], row["faults"], row["source_opens"],
                     fixed(row["read_per_file_size"], 6), fixed(row["reread_blocks_per_fault"], 2),
                     fixed(row["copy_ms"], 1), "-" if extra is None else f"{extra:f}"[:5],
                     verdict(row["reread_blocks_per_fault"] <= REREAD_BLOCKS)])
    header = ["k", "Faults injected", "Source opens", "Bytes read / file size",
              "Re-read per fault (blocks)", "Copy time (ms)", "Extra time per fault (ms)",
              "≤ 1 block"]
    return {"faults_table": table(header, rows),
            "fault_verdict": table_verdict(r["reread_blocks_per_fault"] <= REREAD_BLOCKS
                                           for r in run["faults"])}


# ---- 4, 5 and 11: copies through the window --------------------------------

def small_native(runs):
    rows = [[r["where"], r["rounds"], fixed(r["engine_files_s"], 0), fixed(r["cp_files_s"], 0),
             fixed(r["engine_per_cp"], 2), fixed(r["engine_ms_per_file"], 3),
             fixed(r["cp_ms_per_file"], 3), fixed(r["thread_ms"], 3)] for r in runs]
    header = ["Where", "Rounds", "Engine files/s", "cp -r files/s", "Engine / cp",
              "Engine ms per file", "cp ms per file", "A thread started and waited for, ms"]
    return {"small_native_table": table(header, rows)}


def way(run, key):
    return next(w for w in run["ways"] if w["way"] == key)


def window_copy(run, prefix, least_speed):
    """The table of the ways, and the real window's two ratios against their targets."""
    rows = [[w["name"], fixed(w["files_s"], 0), fixed(w["mib_s"], 0), fixed(w["ms_per_file"], 3),
             fixed(w["speed_per_bare_durable"], 2), fixed(w["time_per_in_memory_window"], 2)]
            for w in run["ways"]]
    header = ["Way", "Files/s", "MiB/s", "ms per file", "Speed / bare durable loop",
              "Time / in-memory window"]
    window = way(run, "window")
    return {f"{prefix}_table": table(header, rows),
            f"{prefix}_speed": fixed(window["speed_per_bare_durable"], 2),
            f"{prefix}_speed_verdict": verdict(window["speed_per_bare_durable"] >= least_speed),
            f"{prefix}_time": fixed(window["time_per_in_memory_window"], 2),
            f"{prefix}_time_verdict": verdict(window["time_per_in_memory_window"] <= WINDOW_TIME),
            f"{prefix}_window_call_ms": fixed(run["window_call_ms"], 3)}


def window_ms_per_file(run, seconds):
    return seconds * 1000 / run["files"]


def window_mib_s(run, seconds):
    return run["files"] * run["file_bytes"] / MIB / seconds


def journal(refresh, refresh_journal, small, small_journal, large, large_journal):
    """Section 11: each figure without the journal and with it, and whether every
    figure with it is no worse than the slowest round (or tick) without it."""
    ticks, ticks_journal = largest_ticks(refresh), largest_ticks(refresh_journal)
    window, window_journal = way(small, "window"), way(small_journal, "window")
    large_window, large_window_journal = way(large, "window"), way(large_journal, "window")
    within_noise = [
        ticks_journal["unchanged_us"] <= max(ticks["unchanged_ticks_us"]),
        ticks_journal["one_running_us"] <= max(ticks["one_running_ticks_us"]),
        window_journal["ms_per_file"] <= window_ms_per_file(small, max(window["round_seconds"])),
        large_window_journal["mib_s"] >= window_mib_s(large, max(large_window["round_seconds"])),
    ]
    rows = [
        ["Refresh tick over 10,000 rows, nothing changed (µs)", fixed(ticks["unchanged_us"], 0),
         fixed(ticks_journal["unchanged_us"], 0)],
        ["Refresh tick over 10,000 rows, one running (µs)", fixed(ticks["one_running_us"], 0),
         fixed(ticks_journal["one_running_us"], 0)],
        ["The queue of 10,000 rows handed to the journal's writer, window thread (µs)", "-",
         fixed(ticks_journal["journal_handover_us"], 0)],
        ["1,000 files of 4 KiB, real window (ms per file)", fixed(window["ms_per_file"], 3),
         fixed(window_journal["ms_per_file"], 3)],
        ["1 GiB, real window (MiB/s)", fixed(large_window["mib_s"], 0),
         fixed(large_window_journal["mib_s"], 0)],
    ]
    return {"journal_table": table(["Benchmark", "Without the journal", "With the journal"], rows),
            "journal_verdict": verdict(all(within_noise)),
            "journal_handover_ms": fixed(ticks_journal["journal_handover_us"] / 1000, 1),
            "large_journal_rounds": large_journal["rounds"]}


# ---- 6: Add and a folder ---------------------------------------------------

def add(run):
    rows, values = [], {}
    for row in run["adds"]:
        ok = row["rows_shown_s"] <= row["files"] * ADD_SECONDS_PER_FILE
        rows.append([row["files"], run["rounds"], fixed(row["rows_shown_s"], 2),
                     fixed(row["open_dialog_s"], 2), fixed(row["files"] / row["rows_shown_s"], 0),
                     fixed(row["folder_shown_s"], 2), verdict(ok)])
        values[f"add_{row['files']}_s"] = fixed(row["rows_shown_s"], 2)
        values[f"add_{row['files']}_verdict"] = verdict(ok)
    header = ["Files", "Rounds", "Choice to all rows shown (s)", "of which the open dialog (s)",
              "Rows per second", "Add pressed until the dialog shows the folder (s)", "≤ target"]
    values["add_table"] = table(header, rows)
    return values


def add_folder(run):
    ok = run["rows_shown_s"] <= ADD_FOLDER_SECONDS
    row = [run["files"], run["folders"], run["rounds"], fixed(run["rows_shown_s"], 2),
           fixed(run["files"] / run["rows_shown_s"], 0), fixed(run["longest_answer_ms"], 0),
           verdict(ok)]
    header = ["Files", "Folders", "Rounds", "Picker's button to all rows shown (s)",
              "Rows per second", "Longest wait for the window's answer meanwhile (ms)", "≤ 10 s"]
    return {"add_folder_table": table(header, [row]),
            "add_folder_s": fixed(run["rows_shown_s"], 2),
            "add_folder_answer_ms": fixed(run["longest_answer_ms"], 0),
            "add_folder_verdict": verdict(ok)}


# ---- 7: the refresh tick ---------------------------------------------------

def largest_ticks(run):
    return max(run["ticks"], key=lambda ticks: ticks["rows"])


def refresh_ok(ticks):
    return (ticks["unchanged_us"] <= REFRESH_UNCHANGED_US
            and ticks["one_running_us"] <= REFRESH_RUNNING_US)


def refresh(run):
    rows = [[t["rows"], fixed(t["unchanged_us"], 0), fixed(t["unchanged_fastest_us"], 0),
             fixed(t["one_running_us"], 0), fixed(t["first_tick_us"], 0),
             fixed(t["every_bytes_us"], 0), fixed(t["every_state_us"], 0),
             f"{t['row_sent_message_us']:.2f} / {t['row_call_window_proc_us']:.2f} / "
             f"{t['row_direct_call_us']:.2f}; {t['row_counter_us']:.2f}",
             verdict(refresh_ok(t))] for t in run["ticks"]]
    header = ["Rows", "Nothing changed (µs)", "Nothing changed, fastest tick (µs)",
              "One running row (µs)", "First tick after the rows were added (µs)",
              "Every row's bytes changed (µs)", "Every row's state and bytes changed (µs)",
              "Per row: record by sent message / CallWindowProc / direct call; "
              "counter reading (µs)", "≤ 2 ms unchanged, ≤ 3 ms one running"]
    largest = largest_ticks(run)
    return {"refresh_table": table(header, rows),
            "refresh_unchanged_us": fixed(largest["unchanged_us"], 0),
            "refresh_unchanged_verdict": verdict(largest["unchanged_us"] <= REFRESH_UNCHANGED_US),
            "refresh_running_us": fixed(largest["one_running_us"], 0),
            "refresh_running_verdict": verdict(largest["one_running_us"] <= REFRESH_RUNNING_US)}


# ---- 8: the log ------------------------------------------------------------

LOG_CALLED = {"window_thread": "on the window thread",
              "other_thread": "from another thread, as a worker"}


def log(run):
    rows = [[LOG_CALLED[r["called"]], r["lines"], fixed(r["average_characters"], 1),
             fixed(r["window_us_per_line"], 1), fixed(r["caller_wall_us_per_line"], 1),
             fixed(r["bytes_per_line"], 0), fixed(r["bytes_per_line"] * 100000 / MIB, 1),
             verdict(r["window_us_per_line"] <= LOG_WINDOW_US)] for r in run["runs"]]
    header = ["Log called", "Lines", "Average characters", "Window-thread µs per line",
              "Caller's wall µs per line", "Bytes per line", "MiB per 100,000 lines",
              "Window thread ≤ 50 µs a line"]
    called = {r["called"]: r for r in run["runs"]}
    window, worker = called["window_thread"], called["other_thread"]
    return {"log_table": table(header, rows),
            "log_window_us": fixed(window["window_us_per_line"], 1),
            "log_window_verdict": verdict(window["window_us_per_line"] <= LOG_WINDOW_US),
            "log_worker_us": fixed(worker["window_us_per_line"], 1),
            "log_worker_verdict": verdict(worker["window_us_per_line"] <= LOG_WINDOW_US),
            "log_bytes": fixed(worker["bytes_per_line"], 0)}


# ---- 9 and 10: resume, holes -----------------------------------------------

def resume(run):
    row = [run["files"], run["rounds"], fixed(run["copy_ms_per_file"], 3),
           fixed(run["readded_ms_per_file"], 3), fixed(run["copy_source_bytes_per_file"], 0),
           fixed(run["readded_source_bytes_per_file"], 0)]
    header = ["Files", "Rounds", "Copy, ms per file", "Re-added and started, ms per file",
              "Source bytes read per file, copy", "Source bytes read per file, re-added"]
    return {"resume_table": table(header, [row])}


def holes(run):
    passes = run["passes"]
    rows = [[number, fixed(p["seconds"], 3), p["source_bytes_read"], p["failed_reads"],
             p["holes_left"], p["bytes_unread"]] for number, p in enumerate(passes, 1)]
    header = ["Pass", "Seconds", "Source bytes read", "Failed reads", "Holes left",
              "Bytes unread"]
    only_dead_left = passes[-1]["bytes_unread"] == run["dead_sectors"] * run["sector_bytes"]
    return {"holes_table": table(header, rows),
            "holes_mib": run["file_bytes"] >> 20,
            "holes_sectors": run["dead_sectors"],
            "holes_passes": len(passes),
            "holes_verdict": verdict(len(passes) <= HOLES_PASSES and only_dead_left),
            "holes_all_else_equal": "yes" if run["all_else_equal"] else "**no**"}


# ---- Memory, the machine ---------------------------------------------------

def memory(rss_256m, rss_1g, working_set_256m, working_set_1g):
    flat = (rss_1g - rss_256m < MEMORY_GROWTH_KIB
            and working_set_1g - working_set_256m < MEMORY_GROWTH_KIB)
    return {"memory_verdict": verdict(flat), "rss_256m": rss_256m, "rss_1g": rss_1g,
            "working_set_256m": working_set_256m, "working_set_1g": working_set_1g}


MACHINE = ["date", "seconds", "cpu", "cores", "memory", "kernel", "native_compiler",
           "windows_compiler", "wine", "load_before", "load_after", "test_files"]


def machine(meta):
    return {key: meta[key] for key in MACHINE}


def report_values(results):
    def result(name):
        return load(results, name)

    values = machine(read_meta(os.path.join(results, "meta")))
    values.update(native_throughput(result("native_throughput")))
    values.update(wine_throughput(result("wine_throughput")))
    values.update(faults(result("faults")))
    values.update(small_native([result("small_page_cache"), result("small_disk")]))
    values.update(window_copy(result("wine_small"), "small", SMALL_WINDOW_SPEED))
    values.update(window_copy(result("wine_large"), "large", LARGE_WINDOW_SPEED))
    values.update(add(result("add")))
    values.update(add_folder(result("add_folder")))
    values.update(refresh(result("refresh")))
    values.update(log(result("log")))
    values.update(resume(result("resume")))
    values.update(holes(result("holes")))
    values.update(journal(result("refresh"), result("refresh_journal"), result("wine_small"),
                          result("wine_small_journal"), result("wine_large"),
                          result("wine_large_journal")))
    values.update(memory(result("native_rss_256m")["peak_rss_kib"],
                         result("native_rss_1g")["peak_rss_kib"],
                         result("wine_memory_256m")["peak_working_set_kib"],
                         result("wine_memory_1g")["peak_working_set_kib"]))
    return values


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    output = argv[2] if len(argv) == 3 else os.path.join(ROOT, "docs", "performance.md")
    write_report(TEMPLATE, report_values(argv[1]), output)
    print(f"wrote {output}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
