#!/usr/bin/env python3
"""Checks of the parts of measure.py whose mistakes would print a wrong figure, not fail:
the PE resource reader, the link-map sums, the terminal-text cleaning and the verdicts.

    python3 bench/measure_test.py
"""
import os
import shutil
import struct
import tempfile
import unittest

import measure


def _resource_section(entries):
    """A .rsrc section with one RT_RCDATA type holding ENTRIES [(name, size)], each named."""
    header = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1)
    root = header + struct.pack("<II", 10, 0x80000000 | 0x18)
    count = len(entries)
    type_dir_size = 16 + 8 * count
    language_dirs = 0x18 + type_dir_size
    data_entries = language_dirs + 24 * count
    names = data_entries + 16 * count
    type_dir = struct.pack("<IIHHHH", 0, 0, 0, 0, count, 0)
    language, data, strings = b"", b"", b""
    for i, (name, size) in enumerate(entries):
        type_dir += struct.pack("<II", 0x80000000 | (names + len(strings)),
                                0x80000000 | (language_dirs + 24 * i))
        language += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1)
        language += struct.pack("<II", 0, data_entries + 16 * i)
        data += struct.pack("<IIII", 0x2000, size, 0, 0)
        encoded = name.encode("utf-16-le")
        strings += struct.pack("<H", len(name)) + encoded
    return root + type_dir + language + data + strings


def _pe_file(entries, certificate=(0, 0), magic=0x10B, trailing=b""):
    rsrc = _resource_section(entries)
    rsrc += b"\0" * (-len(rsrc) % 0x200)
    dos = b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x40)
    directories = 112 if magic == 0x20B else 96
    coff = struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, directories + 128, 0x102)
    optional = bytearray(directories + 128)
    struct.pack_into("<H", optional, 0, magic)
    struct.pack_into("<I", optional, 36, 0x200)
    struct.pack_into("<I", optional, directories - 4, 16)
    struct.pack_into("<II", optional, directories + 2 * 8, 0x1000, len(rsrc))
    struct.pack_into("<II", optional, directories + 4 * 8, *certificate)
    section = struct.pack("<8sIIII", b".rsrc", len(rsrc), 0x1000, len(rsrc), 0x200) + b"\0" * 16
    head = dos + b"PE\0\0" + coff + bytes(optional) + section
    head += b"\0" * (0x200 - len(head))
    return head + rsrc + trailing


class PeReaderTest(unittest.TestCase):
    def read(self, data):
        with tempfile.NamedTemporaryFile(suffix=".exe", delete=False) as out:
            out.write(data)
        self.addCleanup(os.remove, out.name)
        return measure.read_pe(out.name)

    def test_named_rcdata_entries_with_their_sizes(self):
        pe = self.read(_pe_file([("MSI", 0), ("VLLANGPACK_EN_US", 268435456)]))
        self.assertEqual(pe["rcdata"], [{"name": "MSI", "size": 0},
                                        {"name": "VLLANGPACK_EN_US", "size": 268435456}])
        self.assertEqual([s["name"] for s in pe["sections"]], [".rsrc"])
        self.assertEqual(pe["fileAlignment"], 0x200)

    def test_bytes_between_sections_and_certificate_table_are_overlay(self):
        padding = b"\0" * 4096
        plain = _pe_file([("MSI", 1)])
        signed = _pe_file([("MSI", 1)], certificate=(len(plain) + 4096, 8),
                          trailing=padding + b"\0" * 8)
        pe = self.read(signed)
        self.assertEqual(pe["overlay"], 4096)
        self.assertEqual(pe["certificateTable"], {"offset": len(plain) + 4096, "size": 8})

    def test_a_pe32_plus_file_is_read_through_its_own_directories(self):
        pe = self.read(_pe_file([("MSI", 7)], certificate=(0x400, 8), magic=0x20B))
        self.assertEqual(pe["rcdata"], [{"name": "MSI", "size": 7}])
        self.assertEqual(pe["certificateTable"], {"offset": 0x400, "size": 8})

    def test_files_that_are_no_pe_image_are_refused(self):
        for label, data in [("no MZ", b"ZM" + _pe_file([])[2:]),
                            ("ROM optional header", _pe_file([], magic=0x107)),
                            ("truncated", _pe_file([])[:0x50])]:
            with self.subTest(label):
                with self.assertRaises(measure.PeError):
                    self.read(data)


class LinkMapTest(unittest.TestCase):
    MAP = """Archive member included to satisfy reference by file (symbol)

Linker script and memory map

.text           0x00401000    0x384cc
 *(.text)
 .text          0x00401000      0x100 /x/libstdc++.a(string-inst.o)
 .text          0x00401100       0x80 CMakeFiles/q.dir/src/main.cpp.obj
 .text$_ZN1a    0x00401180       0x40 /x/libquorix_logic.a(entry.cpp.obj)
                0x00401180                _ZN1a
.eh_frame       0x00402000      0x200
 .eh_frame      0x00402000       0x20 /x/libstdc++.a(string-inst.o)
.bss            0x00403000      0x100
 .bss           0x00403000      0x100 /x/libquorix_logic.a(entry.cpp.obj)
"""

    def test_sizes_summed_by_archive_without_bss_or_symbol_lines(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "q.map")
            with open(path, "w", encoding="utf-8") as out:
                out.write(self.MAP)
            result_path = os.path.join(folder, "out.json")
            measure.cmd_linkmap(type("Args", (), {"map": path, "out": result_path}))
            result = measure.read_json(result_path)
        self.assertEqual(dict(result["byArchive"]),
                         {"libstdc++.a": 0x120, "(objects of this build)": 0x80,
                          "libquorix_logic.a": 0x40})
        self.assertEqual(result["total"], 0x1E0)


class ExtractionRunTest(unittest.TestCase):
    def test_the_fallback_place_is_measured_when_the_first_stays_empty(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        preferred, fallback = os.path.join(folder, "all-users.msi"), os.path.join(folder, "user.msi")
        # What an earlier run left in the fallback place must not count as this run's file.
        with open(fallback, "wb") as stale:
            stale.write(b"x" * 8192)
        # The file is whole at the very end: the sampler's last look, after the exit, sees it.
        program = ["sh", "-c", "head -c 4096 /dev/zero > '%s'; exit 3" % fallback]
        for expected_exit, counts in ((3, True), (0, False)):
            run = measure._extraction_run(program, [preferred, fallback], 4096, 20, 0.01,
                                          expected_exit)
            self.assertEqual(run["target"], fallback)
            self.assertEqual(run["largestSize"], 4096)
            self.assertFalse(os.path.exists(preferred))
            self.assertEqual(run["exit"], 3)
            self.assertLessEqual(run["launchToWhole"], run["launchToExit"])
            self.assertEqual(measure._did_the_job(run), counts)


class TerminalTextTest(unittest.TestCase):
    def test_cursor_and_title_escapes_and_carriage_returns_go(self):
        raw = "\r\r\n\x1b[?25lSupported languages:\r\r\n\x1b[?25h\x1b]0;cmd\x07- en-US\r\r\n"
        self.assertEqual(measure._plain_terminal_text(raw), "\nSupported languages:\n- en-US\n")


class LaunchedTimeTest(unittest.TestCase):
    def test_the_launchers_seconds_count_and_a_run_it_did_not_time_fails(self):
        # As a Wine console draws the launcher's line: spaces as erase and cursor moves.
        line = "- en-US\r\nquorix-launch:\x1b[K\x1b[1Cseconds=0.250000\x1b[K\x1b[1Cexit=0\r\n"
        with tempfile.TemporaryDirectory() as folder:
            args = {"runs": 2, "timeout": 10, "expect": None, "exit_code": {},
                    "launched": ["timed", "silent"], "logs": folder,
                    "out": os.path.join(folder, "out.json"),
                    "commands": ["timed=sleep 0.01; printf -- '%s'" % line, "silent=true",
                                 "wall=true"]}
            measure.cmd_interleave(measure.argparse.Namespace(**args))
            result = measure.read_json(args["out"])
        self.assertEqual(result["timed"]["seconds"], [0.25, 0.25])
        self.assertEqual((result["silent"]["runs"], len(result["silent"]["failed"])), (0, 2))
        self.assertEqual((result["wall"]["runs"], result["wall"]["clock"]), (2, "wall"))


class VerdictTest(unittest.TestCase):
    def test_bounds_are_inclusive_and_a_missing_figure_is_not_met(self):
        cases = [(1.0, 0, 1.0, "met"), (1.0001, 0, 1.0, "MISSED"), (0.8, 0.8, float("inf"), "met"),
                 (0.79, 0.8, float("inf"), "MISSED"), (None, 0, 1, "not measured")]
        for value, lo, hi, expected in cases:
            with self.subTest(value=value, lo=lo, hi=hi):
                self.assertEqual(measure._verdict(value, lo, hi), expected)


def _series(*seconds):
    return {"runs": len(seconds), "median": sorted(seconds)[len(seconds) // 2],
            "min": min(seconds), "failed": []}


def _extraction(product_seconds, copy_seconds, peak_kib=8 * 1024, failed=False):
    run = {"launchToExit": product_seconds, "launchToWhole": product_seconds - 0.1,
           "exit": 1, "expectedExit": 1,
           "createdToWhole": 0.5, "target": "t.msi", "peakRssAnonKiB": peak_kib,
           "peakRssFileKiB": 1024, "samples": 100}
    # A run that died before the file was whole, with next to no memory: it must neither
    # lower the peak nor pass unnoticed.
    dead = dict(run, launchToWhole=None, peakRssAnonKiB=1)
    runs = [run, run, dead] if failed else [run, run, run]
    copy = {"seconds": copy_seconds, "exit": 0, "finalSize": 256 * measure.MIB}
    return measure.extraction_summary(256 * measure.MIB, run, runs, [copy] * 3)


def _stub(code_bytes, machine="i386"):
    """A stub's two readings whose sections but .rsrc hold CODE_BYTES: the resources and the
    page-rounded sizes in the file must not count."""
    sections = [{"name": ".text", "virtualSize": code_bytes - 100, "rawSize": code_bytes + 4000},
                {"name": ".bss", "virtualSize": 100, "rawSize": 0},
                {"name": ".rsrc", "virtualSize": 300 * 1024, "rawSize": 300 * 1024}]
    pe = {"size": 700 * 1024, "machine": machine, "sections": sections,
          "rcdata": [{"name": "MSI", "size": 0}]}
    return {"unsigned": pe, "signed": pe}


def _whole_runs(*repeats):
    """The result of `fresh` with the (product, minimal) seconds of each repeat."""
    return {"product": "product", "yardstick": "minimal", "repeats": [
        {"seconds": {"product": [p] * 3, "minimal": [m] * 3}, "failed": []}
        for p, m in repeats]}


class ReportVerdictTest(unittest.TestCase):
    """Each figure's verdict against its goal, from the results run.sh writes."""

    CASES = [
        ("start-up at 1.1", "Start-up", {"startup": {
            "product": _series(1.1), "minimal": _series(1.0)}}, "met"),
        ("start-up past 1.1", "Start-up", {"startup": {
            "product": _series(1.11), "minimal": _series(1.0)}}, "MISSED"),
        ("tag read past 1.1", "Tag read", {"startup": {
            "product": _series(1.0), "minimal": _series(1.0),
            "tag1m": _series(1.0), "tag1g": _series(1.11)}}, "MISSED"),
        ("tag read at 1.1", "Tag read", {"startup": {
            "product": _series(1.0), "minimal": _series(1.0),
            "tag1m": _series(1.0), "tag1g": _series(1.1)}}, "met"),
        ("stub code at 256 KiB", "Stub size", {"stub": _stub(256 * 1024)}, "met"),
        ("stub code past 256 KiB", "Stub size", {"stub": _stub(256 * 1024 + 1)}, "MISSED"),
        ("stub of the x86-64 build", "Stub size", {"stub": _stub(200 * 1024, "amd64")},
         "not measured (amd64 build; the goal is the 32-bit product's)"),
        ("extraction at 1.5", "Extraction", {"extract": _extraction(1.0, 1.5)}, "met"),
        ("extraction short of 1.5", "Extraction", {"extract": _extraction(1.0, 1.45)}, "MISSED"),
        ("memory over 32 MiB", "Peak RssAnon", {"extract": _extraction(1.0, 2.0, 33 * 1024)},
         "MISSED"),
        ("memory with a failed run", "Peak RssAnon",
         {"extract": _extraction(1.0, 2.0, failed=True)}, "MISSED (1 failed run(s))"),
        ("memory within 32 MiB", "Peak RssAnon", {"extract": _extraction(1.0, 2.0)}, "met"),
        ("host suite failing fast", "Host unit suite",
         {"host-suite": {"seconds": 3.0, "exit": 1, "summary": ""}}, "MISSED (exit 1)"),
        ("whole run at 1.05", "Whole", {"overhead": _whole_runs(
            (1.05, 1.0), (1.04, 1.0), (1.06, 1.0))}, "met"),
        ("whole run past 1.05", "Whole", {"overhead": _whole_runs(
            (1.06, 1.0), (1.07, 1.0), (1.06, 1.0))}, "MISSED"),
        ("whole run too spread", "Whole", {"overhead": _whole_runs(
            (1.0, 1.0), (1.04, 1.0), (1.02, 1.0))}, "MISSED (spread 0.04 of the repeats, "
         "aim < 0.03)"),
    ]

    def test_each_figure_is_missed_past_its_goal(self):
        for label, figure, files, verdict in self.CASES:
            with self.subTest(label):
                with tempfile.TemporaryDirectory() as folder:
                    for name, value in files.items():
                        measure.write_json(os.path.join(folder, name + ".json"), value)
                    rows, _ = measure.report_rows(folder)
                verdicts = [row[3] for row in rows if row[0].startswith(figure)]
                self.assertEqual(verdicts, [verdict])



def _run_log(*lines, header=measure.RUN_LOG_HEADER, end="\r\n"):
    return (end.join((header,) + lines) + end).encode("utf-8")


# A /silent run as the product logs it: two packs, unknown step words, an installer removal.
SILENT_RUN_LOG = _run_log(
    "0.000100 start: QuorixSetup 5.1.0.7",
    "0.000300 command line: /silent",
    "0.010300 tag: AFFILIATEID=x: read",
    "0.012300 decision: not installed",
    "0.015300 requirements: met",
    "0.045300 pending: none",
    "0.145300 extract: base package C:\\x.msi",
    "0.146300 installer: removal of {907A70C3-1012-F037-B64C-E4228C38FB29}: 0",
    "0.346300 installer: language pack en-US, UI level 2: 0 (The operation completed.)",
    "0.546300 installer: language pack de-DE, UI level 2: 0 (The operation completed.)",
    "1.046300 installer: base package, UI level 2: 0 (The operation completed.)",
    "1.047300 records: session",
    "1.047300 ui: nothing",
    "1.048000 exit: 0 (installed)")


class RunLogTest(unittest.TestCase):
    def test_each_line_is_charged_to_its_step_and_the_rest_to_the_process(self):
        shares = measure.run_log_breakdown(1.5, measure.parse_run_log(SILENT_RUN_LOG))
        expected = {measure.PROCESS_SHARE: 0.452, "start": 0.0001, "command line": 0.0002,
                    "tag": 0.01, "decision": 0.002, "pending": 0.03, "extract": 0.1,
                    measure.INSTALLER_REMOVAL: 0.001, measure.PACK_INSTALL: 0.4,
                    measure.BASE_INSTALL: 0.5, "records": 0.001, "exit": 0.0007,
                    "other": 0.003}
        self.assertEqual(sorted(shares), sorted(expected))
        for name, seconds in expected.items():
            self.assertAlmostEqual(shares[name], seconds, places=9, msg=name)
        self.assertAlmostEqual(sum(shares.values()), 1.5, places=9)

    def test_logs_off_the_agreed_format_are_refused(self):
        good = ["0.000100 start: x", "0.200000 exit: 0 (installed)"]
        cases = [
            ("LF line ends", _run_log(*good, end="\n")),
            ("byte order mark", b"\xef\xbb\xbf" + _run_log(*good)),
            ("another header", _run_log(*good, header="QuorixSetup log")),
            ("three decimals", _run_log("0.100 start: x", good[1])),
            ("no space before the text", _run_log("0.000100 start:x", good[1])),
            ("back in time", _run_log("0.300000 start: x", good[1])),
            ("no exit line at the end", _run_log(good[0])),
            ("not UTF-8", _run_log(*good).replace(b"start: x", b"start: \xff")),
        ]
        for label, data in cases:
            with self.subTest(label):
                with self.assertRaises(measure.RunLogError):
                    measure.parse_run_log(data)
        self.assertEqual(len(measure.parse_run_log(_run_log(*good))), 2)

    def test_the_newest_log_of_this_run_is_collected(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        temp = os.path.join(folder, "users", "me", "Temp")
        os.makedirs(temp)
        old = os.path.join(temp, "QuorixSetup_20240101_100000.log")
        open(old, "wb").close()
        os.utime(old, (3000, 3000))
        before = measure.run_logs_in([os.path.join(folder, "users", "*", "Temp")])
        self.assertEqual(before, {old})
        # Written in the same second as another: the "_2" name, the newer of the two.
        for name, stamp in (("QuorixSetup_20240101_100001.log", 1000),
                            ("QuorixSetup_20240101_100001_2.log", 2000),
                            ("other.log", 4000)):
            path = os.path.join(temp, name)
            open(path, "wb").close()
            os.utime(path, (stamp, stamp))
        found = measure.newest_run_log([os.path.join(folder, "users", "*", "Temp")], before)
        self.assertEqual(os.path.basename(found), "QuorixSetup_20240101_100001_2.log")
        self.assertIsNone(measure.newest_run_log([temp], measure.run_logs_in([temp])))


def _whole_runs_with_logs(logs):
    result = _whole_runs((1.5, 1.4))
    result["repeats"][0]["runLogs"] = [{"seconds": 1.5, "log": log} for log in logs]
    return result


class BreakdownNoteTest(unittest.TestCase):
    """The whole-run row's breakdown in the table's notes, from the product's run logs."""

    CASES = [
        ("no log written", [None, None], ["whole-run breakdown by step: no run log found"]),
        ("medians per step", [SILENT_RUN_LOG.decode(), SILENT_RUN_LOG.decode(), None],
         ["medians over 2 run logs of 3 runs", "process start, DLL loading and teardown 0.452",
          "installer: language pack 0.400", "installer: base package 0.500", "other 0.003",
          "1 run(s) left no run log"]),
        ("a log off the format is named, not folded in", [SILENT_RUN_LOG.decode(), "x\r\n"],
         ["medians over 1 run logs of 2 runs", "1 run log(s) not in the agreed format"]),
        ("only logs off the format", ["x\r\n"], ["1 run log(s) not in the agreed format"]),
    ]

    def test_breakdown_in_the_notes(self):
        for label, logs, expected in self.CASES:
            with self.subTest(label):
                with tempfile.TemporaryDirectory() as folder:
                    measure.write_json(os.path.join(folder, "overhead.json"),
                                       _whole_runs_with_logs(logs))
                    _, notes = measure.report_rows(folder)
                breakdown = [n for n in notes if "breakdown" in n or "agreed format" in n]
                self.assertEqual(len(breakdown), 1, notes)
                for text in expected:
                    self.assertIn(text, breakdown[0])


if __name__ == "__main__":
    unittest.main()
