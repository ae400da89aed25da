#!/usr/bin/env python3
"""Checks that the rooms of src/ include one another in one direction only.

The rooms, from the bottom up: common, platform, core, the feature rooms (package, installed,
ui, report, shell), bootstrap, and main.cpp. A file may include its own room and any room below
it. A feature room may include a sibling only through the headers listed in SIDEWAYS below;
everything else that runs sideways or upwards is reported, one line per include, and the check
fails.

Usage: check_layering.py [SRC_DIR]   (default: the src/ folder next to tools/)
"""

import os
import re
import sys

# Rank of each room; a file may include rooms of a lower rank and its own room.
RANKS = {
    "common": 0,
    "platform": 1,
    "core": 2,
    "package": 3,
    "installed": 3,
    "ui": 3,
    "report": 3,
    "shell": 3,
    "bootstrap": 4,
    "main": 5,  # src/main.cpp, the only file directly in src/
}

# The sideways links between feature rooms that the product's own work makes necessary:
# (including room, included header). Each one is a call from one room into the operation another
# room owns; a type or constant that two rooms share belongs in core/ instead and is no reason
# here.
SIDEWAYS = {
    # Removing the installed copy asks the user first (the removal question, the pending
    # installation box) in the user's language.
    ("installed", "ui/language_messages.h"),
    # A failed or cancelled removal opens the matching help page.
    ("installed", "report/help_links.h"),
    # After a removal the shell is restarted so that it lets go of the product's files.
    ("installed", "shell/shell_restart.h"),
    # The installed-version message names the installed version, which only the
    # installed-version reader knows how to find.
    ("ui", "installed/version_decision.h"),
    # The welcome dialog extracts the language pack the user chose.
    ("ui", "package/package_extraction.h"),
    # The welcome dialog and the requirements window open help pages.
    ("ui", "report/help_links.h"),
    # Packages are extracted into the product's data folder, which the installed-product
    # room owns.
    ("package", "installed/data_folder.h"),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")


def room_of(relative_path):
    """The room of a file given relative to src/ ('main' for files directly in src/)."""
    parts = relative_path.replace(os.sep, "/").split("/")
    return "main" if len(parts) == 1 else parts[0]


def check_include(room, included):
    """None when `room` may include `included`, else the reason it may not."""
    if "/" not in included:
        return None  # a generated header or one beside the file, not a room
    target = included.split("/")[0]
    if target not in RANKS:
        return "includes unknown room '%s'" % target
    if room not in RANKS:
        return "is in unknown room '%s'" % room
    if target == room or RANKS[target] < RANKS[room]:
        return None
    if (room, included) in SIDEWAYS:
        return None
    direction = "sideways" if RANKS[target] == RANKS[room] else "upwards"
    return "runs %s: %s includes %s" % (direction, room, included)


def check_tree(src_dir):
    """Every violation below src_dir as 'path:line: reason', sorted."""
    problems = []
    for folder, _, files in os.walk(src_dir):
        for name in files:
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, src_dir)
            room = room_of(relative)
            with open(path, encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    reason = check_include(room, match.group(1))
                    if reason:
                        problems.append("%s:%d: %s" % (relative.replace(os.sep, "/"), number,
                                                       reason))
    return sorted(problems)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    src_dir = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "src")
    if not os.path.isdir(src_dir):
        print("no source folder at %s" % src_dir, file=sys.stderr)
        return 2
    problems = check_tree(src_dir)
    for problem in problems:
        print(problem)
    if problems:
        print("%d include(s) run against the direction of the rooms" % len(problems))
        return 1
    print("includes run one way: common, platform, core, the feature rooms, bootstrap, main")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
