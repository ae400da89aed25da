#!/usr/bin/env python3
"""Every skip of a test run, with its reason; fails on any skip whose reason is not allowed.

Reads the JUnit files that ctest wrote (--output-junit, with the output of passed tests kept)
and tests/allowed-skips.txt. A skip is:
  - a CTest test that did not run (its skip return code, a disabled test),
  - a GoogleTest case reported "[  SKIPPED ]", whether its ctest test passed or not (the Wine
    contract suite is one ctest test for many cases),
  - any "QUORIX_SKIP <id>: <details>" line in a test's output.
Each must name an id of the list: a ctest skip or a GoogleTest skip with no QUORIX_SKIP line of
its own is a failure, and so is an id the list does not have.

Usage: check-skips.py ALLOWED-LIST JUNIT.xml...   (exit 0: every skip is allowed)
"""
import re
import sys
import xml.etree.ElementTree as ET

SKIP_LINE = re.compile(r"^QUORIX_SKIP ([A-Za-z0-9._-]+): ?(.*)$")
GTEST_RUN = re.compile(r"^\[ RUN      \] (\S+)$")
GTEST_SKIPPED = re.compile(r"^\[  SKIPPED \] (\S+) \(\d+ ms\)$")


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
    if status in ("notrun", "disabled") and not marked:
        found.append((name, None, f"ctest {status} without a QUORIX_SKIP line"))
    return found


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    allowed = allowed_ids(argv[1])
    skips = []
    tests = 0
    for path in argv[2:]:
        for case in ET.parse(path).getroot().iter("testcase"):
            tests += 1
            output = "".join(node.text or "" for node in case.iter("system-out"))
            skips += skips_in(case.get("name"), case.get("status"), output)
    bad = [s for s in skips if s[1] is None or s[1] not in allowed]
    print(f"skips: {len(skips)} in {tests} tests, {len(bad)} not allowed")
    for where, sid, details in skips:
        if sid is not None and sid in allowed:
            print(f"  skipped: {where}: [{sid}] {allowed[sid]} ({details})")
    for where, sid, details in bad:
        why = "no reason from the list" if sid is None else f"'{sid}' is not on {argv[1]}"
        print(f"  NOT ALLOWED: {where}: {why}: {details}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
