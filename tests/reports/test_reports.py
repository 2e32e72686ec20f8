"""The report writers against the results kept from the runs that wrote the
committed reports (samples/): the same results must give the same report,
and the verdicts must follow the numbers."""
import copy
import glob
import os
import shutil
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "scripts"))

import report_template  # noqa: E402
import write_performance  # noqa: E402
import write_reliability  # noqa: E402

PERFORMANCE_SAMPLE = os.path.join(HERE, "samples", "performance")
RELIABILITY_SAMPLE = os.path.join(HERE, "samples", "reliability")


def read(path):
    with open(path, encoding="utf-8") as text:
        return text.read()


class TemplateTest(unittest.TestCase):
    def test_every_placeholder_is_filled(self):
        self.assertEqual(report_template.fill("a {{x}} b {{x}} {{y}}", {"x": 1, "y": "z"}),
                         "a 1 b 1 z")

    def test_a_placeholder_without_a_value_is_refused(self):
        with self.assertRaisesRegex(ValueError, "no value for \\['y'\\]"):
            report_template.fill("{{x}} {{y}}", {"x": 1})

    def test_a_value_without_a_place_is_refused(self):
        with self.assertRaisesRegex(ValueError, "no place for \\['y'\\]"):
            report_template.fill("{{x}}", {"x": 1, "y": 2})

    def test_table_aligns_its_columns(self):
        self.assertEqual(report_template.table(["A", "B"], [[1, "x"]], "lr"),
                         "| A | B |\n|---|---:|\n| 1 | x |")


class PerformanceReportTest(unittest.TestCase):
    def test_the_kept_results_give_the_committed_report(self):
        with tempfile.TemporaryDirectory() as folder:
            output = os.path.join(folder, "performance.md")
            write_performance.main(["write_performance.py", PERFORMANCE_SAMPLE, output])
            self.assertEqual(read(output), read(os.path.join(ROOT, "docs", "performance.md")))

    def results_with(self, changes):
        """The sample's values with results changed: {result name: function}."""
        original = write_performance.load

        def changed_load(results, name):
            result = copy.deepcopy(original(results, name))
            if name in changes:
                changes[name](result)
            return result

        write_performance.load = changed_load
        try:
            return write_performance.report_values(PERFORMANCE_SAMPLE)
        finally:
            write_performance.load = original

    def test_throughput_below_the_bare_loop_fails_its_target(self):
        def slow_engine(result):
            result["buffers"][0]["engine_ratio"] = 0.5

        def fast_engine(result):
            for buffer in result["buffers"]:
                buffer["engine_ratio"] = 1.0

        self.assertEqual(self.results_with({"native_throughput": slow_engine})
                         ["native_throughput_verdict"], "**fails** (see the table)")
        self.assertEqual(self.results_with({"native_throughput": fast_engine})
                         ["native_throughput_verdict"], "holds")

    def test_the_journal_is_within_noise_until_slower_than_every_round_without_it(self):
        def quick_ticks(result):
            ticks = write_performance.largest_ticks(result)
            ticks["unchanged_us"] = ticks["one_running_us"] = 0

        def quick_small(result):
            write_performance.way(result, "window")["ms_per_file"] = 0

        def quick_large(result):
            write_performance.way(result, "window")["mib_s"] = 1e9

        def slow_small(result):
            window = write_performance.way(result, "window")
            window["ms_per_file"] = 1000 * max(window["round_seconds"]) * 2

        quick = {"refresh_journal": quick_ticks, "wine_small_journal": quick_small,
                 "wine_large_journal": quick_large}
        self.assertEqual(self.results_with(quick)["journal_verdict"], "holds")
        one_slow = dict(quick, wine_small_journal=slow_small)
        self.assertEqual(self.results_with(one_slow)["journal_verdict"], "**fails**")

    def test_holes_left_beyond_the_dead_sectors_fail_their_target(self):
        def hole_left(result):
            result["passes"][-1]["bytes_unread"] += result["sector_bytes"]

        self.assertEqual(self.results_with({"holes": hole_left})["holes_verdict"], "**fails**")

    def test_a_refresh_tick_over_its_target_fails(self):
        def slow_ticks(result):
            write_performance.largest_ticks(result)["unchanged_us"] = 2001

        values = self.results_with({"refresh": slow_ticks})
        self.assertEqual(values["refresh_unchanged_verdict"], "**fails**")
        self.assertIn("| **fails** |", values["refresh_table"])


class ReliabilityReportTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.folder)

    def test_the_kept_results_give_the_committed_report(self):
        output = os.path.join(self.folder, "reliability.md")
        write_reliability.main(["write_reliability.py", RELIABILITY_SAMPLE, "--output", output])
        self.assertEqual(read(output), read(os.path.join(ROOT, "docs", "reliability.md")))

    def test_a_sample_of_the_sample_gives_the_same_report(self):
        again = os.path.join(self.folder, "again")
        write_reliability.keep_sample(RELIABILITY_SAMPLE, again)
        self.assertEqual(write_reliability.report(again),
                         write_reliability.report(RELIABILITY_SAMPLE))

    def copy_of_sample(self):
        results = os.path.join(self.folder, "results")
        shutil.copytree(RELIABILITY_SAMPLE, results)
        return results

    def test_a_failed_test_case_fails_the_run(self):
        results = self.copy_of_sample()
        path = sorted(glob.glob(os.path.join(results, "e2e", "*.xml")))[0]
        tree = ET.parse(path)
        case = next(c for c in tree.getroot().iter("testcase") if c.get("status") == "run")
        ET.SubElement(case, "failure", message="byte 512000 differs from the source")
        tree.write(path)
        _, before = write_reliability.report(RELIABILITY_SAMPLE)
        values, total = write_reliability.report(results)
        self.assertEqual(total["failed"], before["failed"] + 1)
        self.assertIn(f"Failed tests: {before['failed'] + 1};", values["summary"])
        self.assertEqual(write_reliability.main(["write_reliability.py", results]), 1)

    def test_a_sanitizer_report_in_a_log_fails_the_run(self):
        results = self.copy_of_sample()
        with open(os.path.join(results, "tsan.log"), "a", encoding="utf-8") as log:
            log.write("WARNING: ThreadSanitizer: data race (pid=1)\n")
        _, before = write_reliability.report(RELIABILITY_SAMPLE)
        _, total = write_reliability.report(results)
        self.assertEqual(total["reports"], before["reports"] + 1)
        self.assertEqual(write_reliability.main(["write_reliability.py", results]), 1)


if __name__ == "__main__":
    unittest.main()
