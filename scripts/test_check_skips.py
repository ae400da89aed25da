"""check-skips.py on made-up result folders: what must fail the test command fails."""
import contextlib
import importlib.util
import io
import os
import tempfile
import unittest

spec = importlib.util.spec_from_file_location(
    "check_skips", os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-skips.py"))
check_skips = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_skips)

GTEST_OUT = "[ RUN      ] A.B\n{}[  SKIPPED ] A.B (0 ms)\n"


def junit(*cases):
    rows = "".join(f'<testcase name="{n}" status="{s}"><system-out>{o}</system-out></testcase>'
                   for n, s, o in cases)
    return f'<testsuite>{rows}</testsuite>'


class CheckSkips(unittest.TestCase):
    def run_check(self, suites, expected="host 2\n", runs_32bit=False):
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, "allowed"), "w") as f:
                f.write("# id reason\nknown-gap   a reason from the list\n")
            with open(os.path.join(d, "expected"), "w") as f:
                f.write(expected)
            os.mkdir(os.path.join(d, "results"))
            for suite, text in suites.items():
                with open(os.path.join(d, "results", suite + ".xml"), "w") as f:
                    f.write(text)
            out = io.StringIO()
            argv = ["check-skips.py"] + (["--runs-32bit"] if runs_32bit else [])
            with contextlib.redirect_stdout(out):
                rc = check_skips.main(argv + [os.path.join(d, n)
                                              for n in ("allowed", "expected", "results")])
            return rc, out.getvalue()

    def test_verdicts(self):
        passed = ("t1", "run", "")
        rows = [
            ("whole suite, no skip", {"host": junit(passed, passed)}, 0, "0 missing"),
            ("listed skip", {"host": junit(passed, ("t2", "run", GTEST_OUT.format(
                "QUORIX_SKIP known-gap: y\n")))}, 0, "[known-gap]"),
            ("unlisted skip id", {"host": junit(passed, ("t2", "run", "QUORIX_SKIP odd: x\n"))},
             1, "'odd' is not on"),
            ("ctest skip without a reason", {"host": junit(passed, ("t2", "notrun", ""))},
             1, "ctest notrun without"),
            ("GoogleTest skip without a reason",
             {"host": junit(passed, ("t2", "run", GTEST_OUT.format("")))}, 1, "A.B"),
            ("unittest skip with a listed reason",
             {"host": junit(passed, ("t2", "run", "test_a (m.C.test_a) ... skipped "
                                                  "'known-gap: no prefix'\nOK (skipped=1)\n"))},
             0, "[known-gap]"),
            ("unittest skip with a free reason",
             {"host": junit(passed, ("t2", "run", "test_a (m.C.test_a) ... skipped 'no wine'\n"
                                                  "OK (skipped=1)\n"))}, 1, "test_a"),
            ("unittest skip counted, not named",
             {"host": junit(passed, ("t2", "run", "OK (skipped=1)\n"))}, 1, "counted 1"),
            ("missing result file", {}, 1, "host: no results"),
            ("short suite", {"host": junit(passed)}, 1, "host: 1 tests, at least 2"),
            ("result file on no line", {"host": junit(passed, passed), "odd": junit(passed)},
             1, "NOT CHECKED: odd.xml"),
        ]
        for name, suites, rc, text in rows:
            with self.subTest(name):
                got, out = self.run_check(suites)
                self.assertEqual(got, rc, out)
                self.assertIn(text, out)

    def test_suites_of_the_32bit_path_only_where_it_runs(self):
        expected = "host 1\nwin32-tests 1 if-32bit\n"
        suites = {"host": junit(("t", "run", ""))}
        self.assertEqual(self.run_check(suites, expected)[0], 0)
        self.assertEqual(self.run_check(suites, expected, runs_32bit=True)[0], 1)


if __name__ == "__main__":
    unittest.main()
