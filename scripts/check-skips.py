#!/usr/bin/env python3
"""Every skip of a test run, with its reason; fails on any skip whose reason is not allowed, and on
any suite whose results are missing or hold fewer tests than it must.

Reads the JUnit files that ctest wrote (--output-junit, with the output of passed tests kept),
tests/allowed-skips.txt and tests/expected-results.txt (each suite's result file, named
<suite>.xml, and its least number of tests). A skip is:
  - a CTest test that did not run (its skip return code, a disabled test),
  - a GoogleTest case reported "[  SKIPPED ]", whether its ctest test passed or not (the Wine
    contract suite is one ctest test for many cases),
  - a Python unittest case reported "... skipped '<reason>'": its reason must begin "<id>: ",
  - any "QUORIX_SKIP <id>: <details>" line in a test's output.
Each must name an id of the list: a ctest skip or a GoogleTest skip with no QUORIX_SKIP line of
its own is a failure, and so is an id the list does not have.

Usage: check-skips.py [--runs-32bit] ALLOWED-LIST EXPECTED-LIST RESULTS-DIR
(exit 0: every expected suite is there and whole, and every skip is allowed)
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

SKIP_LINE = re.compile(r"^QUORIX_SKIP ([A-Za-z0-9._-]+): ?(.*)$")
GTEST_RUN = re.compile(r"^\[ RUN      \] (\S+)$")
GTEST_SKIPPED = re.compile(r"^\[  SKIPPED \] (\S+) \(\d+ ms\)$")
PYTHON_SKIPPED = re.compile(r"^(.*) \.\.\. skipped '(.*)'$")
PYTHON_REASON = re.compile(r"^([A-Za-z0-9._-]+): ?(.*)$")
PYTHON_SKIP_COUNT = re.compile(r"^(?:OK|FAILED) \(.*\bskipped=(\d+)")


def allowed_ids(path):
    ids = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 1)
            ids[parts[0]] = parts[1] if len(parts) > 1 else ""
    return ids


def expected_suites(path, runs_32bit):
    """{suite: least number of tests}; a suite marked "if-32bit" only where 32-bit code runs."""
    suites = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split("#", 1)[0].split()
            if not parts:
                continue
            if len(parts) > 2 and parts[2] == "if-32bit" and not runs_32bit:
                continue
            suites[parts[0]] = int(parts[1])
    return suites


def skips_in(name, status, output):
    """(where, id or None, details) for each skip found in one ctest test."""
    found = []
    lines = output.splitlines()
    marked = [(i, SKIP_LINE.match(line)) for i, line in enumerate(lines)]
    marked = [(i, m) for i, m in marked if m]
    for i, m in marked:
        found.append((name, m.group(1), m.group(2)))
    # A GoogleTest case that skipped must carry its own QUORIX_SKIP line between its RUN line
    # and its SKIPPED line.
    started = {}
    for i, line in enumerate(lines):
        run = GTEST_RUN.match(line)
        if run:
            started[run.group(1)] = i
            continue
        skipped = GTEST_SKIPPED.match(line)
        if skipped:
            case = skipped.group(1)
            begin = started.get(case, 0)
            if not any(begin <= j <= i for j, _ in marked):
                found.append((f"{name}: {case}", None, "GoogleTest skip without a QUORIX_SKIP line"))
    # A Python unittest case names its reason in the skip itself.
    python_skips = 0
    for line in lines:
        skipped = PYTHON_SKIPPED.match(line)
        if skipped:
            python_skips += 1
            reason = PYTHON_REASON.match(skipped.group(2))
            found.append((f"{name}: {skipped.group(1)}", reason and reason.group(1),
                          reason.group(2) if reason else skipped.group(2)))
    for line in lines:
        summary = PYTHON_SKIP_COUNT.match(line)
        if summary and int(summary.group(1)) > python_skips:
            found.append((name, None, f"unittest counted {summary.group(1)} skip(s), "
                                      f"{python_skips} named in the output"))
    if status in ("notrun", "disabled") and not marked:
        found.append((name, None, f"ctest {status} without a QUORIX_SKIP line"))
    return found


def main(argv):
    args = [a for a in argv[1:] if a != "--runs-32bit"]
    if len(args) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    allowed_path, expected_path, results = args
    allowed = allowed_ids(allowed_path)
    expected = expected_suites(expected_path, "--runs-32bit" in argv)
    skips = []
    tests = 0
    short = []
    for suite, least in sorted(expected.items()):
        path = os.path.join(results, suite + ".xml")
        try:
            cases = list(ET.parse(path).getroot().iter("testcase"))
        except (OSError, ET.ParseError) as error:
            short.append(f"{suite}: no results ({error})")
            continue
        if len(cases) < least:
            short.append(f"{suite}: {len(cases)} tests, at least {least} expected")
        for case in cases:
            tests += 1
            output = "".join(node.text or "" for node in case.iter("system-out"))
            skips += skips_in(case.get("name"), case.get("status"), output)
    unlisted = sorted(set(f[:-len(".xml")] for f in os.listdir(results) if f.endswith(".xml"))
                      - set(expected)) if os.path.isdir(results) else []
    bad = [s for s in skips if s[1] is None or s[1] not in allowed]
    print(f"results: {len(expected)} suites expected, {len(short)} missing or short")
    for line in short:
        print(f"  MISSING: {line}")
    for suite in unlisted:
        print(f"  NOT CHECKED: {suite}.xml is on no line of {expected_path}")
    print(f"skips: {len(skips)} in {tests} tests, {len(bad)} not allowed")
    for where, sid, details in skips:
        if sid is not None and sid in allowed:
            print(f"  skipped: {where}: [{sid}] {allowed[sid]} ({details})")
    for where, sid, details in bad:
        why = "no reason from the list" if sid is None else f"'{sid}' is not on {allowed_path}"
        print(f"  NOT ALLOWED: {where}: {why}: {details}")
    return 1 if bad or short or unlisted else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
