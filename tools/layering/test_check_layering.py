#!/usr/bin/env python3
"""The layering check on small made-up source trees: what it must refuse, and what it must pass."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layering  # noqa: E402


def make_tree(root, files):
    """Writes each relative path of `files` with its text below root."""
    for relative, text in files.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)


class CheckInclude(unittest.TestCase):
    # (including room, included header, expected: None = allowed, else a word of the reason)
    CASES = [
        ("core", "platform/registry.h", None),
        ("core", "common/text.h", None),
        ("core", "core/process_state.h", None),
        ("installed", "core/process_state.h", None),
        ("bootstrap", "ui/welcome_dialog.h", None),
        ("main", "bootstrap/entry.h", None),
        ("core", "release_version.h", None),
        ("installed", "ui/language_messages.h", None),
        ("ui", "package/package_extraction.h", None),
        ("package", "installed/data_folder.h", None),
        ("installed", "bootstrap/process_state.h", "upwards"),
        ("ui", "bootstrap/entry.h", "upwards"),
        ("core", "ui/language_catalog.h", "upwards"),
        ("platform", "core/process_state.h", "upwards"),
        ("common", "platform/registry.h", "upwards"),
        ("report", "installed/version_decision.h", "sideways"),
        ("ui", "installed/data_folder.h", "sideways"),
        ("package", "ui/language_packs.h", "sideways"),
        ("shell", "report/help_links.h", "sideways"),
        ("bootstrap", "main/whatever.h", "upwards"),
        ("ui", "tools/stamp.h", "unknown room"),
        ("widgets", "core/process_state.h", "unknown room"),
    ]

    def test_table(self):
        for room, included, expected in self.CASES:
            with self.subTest(room=room, included=included):
                reason = check_layering.check_include(room, included)
                if expected is None:
                    self.assertIsNone(reason)
                else:
                    self.assertIsNotNone(reason)
                    self.assertIn(expected, reason)


class CheckTree(unittest.TestCase):
    def run_tree(self, files):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, files)
            return check_layering.check_tree(root), check_layering.main(["x", root])

    def test_clean_tree_passes(self):
        problems, status = self.run_tree({
            "main.cpp": '#include "bootstrap/entry.h"\n#include <windows.h>\n',
            "bootstrap/entry.cpp": '#include "core/process_exit.h"\n#include "ui/welcome.h"\n',
            "ui/welcome.cpp": '#include "package/package_extraction.h"\n',
            "core/process_exit.h": '#include "platform/system.h"\n#include "common/text.h"\n',
            "core/notes.txt": '#include "bootstrap/entry.h"\n',
        })
        self.assertEqual(problems, [])
        self.assertEqual(status, 0)

    def test_each_wrong_include_is_reported_with_its_line(self):
        problems, status = self.run_tree({
            "ui/language_selection.cpp":
                '#include "core/parent_console.h"\n'
                '  #  include "bootstrap/console_output.h"\n',
            "report/help_links.h": '// #include "bootstrap/entry.h" in a comment\n'
                                   '#include "installed/version_decision.h"\n',
            "platform/sim/sim_ui.cpp": '#include "platform/ui.h"\n#include "ui/welcome_layout.h"\n',
        })
        self.assertEqual(problems, [
            "platform/sim/sim_ui.cpp:2: runs upwards: platform includes ui/welcome_layout.h",
            "report/help_links.h:2: runs sideways: report includes installed/version_decision.h",
            "ui/language_selection.cpp:2: runs upwards: ui includes bootstrap/console_output.h",
        ])
        self.assertEqual(status, 1)

    def test_missing_folder_is_an_error(self):
        self.assertEqual(check_layering.main(["x", "/nonexistent/src"]), 2)


if __name__ == "__main__":
    unittest.main()
