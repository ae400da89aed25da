#!/usr/bin/env python3
"""The import check on small PE files made here: what it must refuse, and what it must pass."""

import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_imports  # noqa: E402

SECTION_RVA = 0x1000
SECTION_OFFSET = 0x200


def make_pe(imports, machine=0x014C, subsystem=2, subsystem_version=(5, 0), os_version=(5, 0),
            wide=False, by_ordinal=()):
    """A PE file with one section holding the import directory of `imports` (dll -> names)."""
    body = bytearray()

    def put(data):
        at = len(body)
        body.extend(data)
        return SECTION_RVA + at

    thunk_format, ordinal_flag = ("<Q", 1 << 63) if wide else ("<I", 1 << 31)
    descriptors = []
    for dll, names in imports.items():
        name_rva = put(dll.encode() + b"\0")
        entries = []
        for name in names:
            entries.append(put(struct.pack("<H", 0) + name.encode() + b"\0"))
        for ordinal in by_ordinal:
            entries.append(ordinal_flag | ordinal)
        while len(body) % 8:
            body.append(0)
        lookup = put(b"".join(struct.pack(thunk_format, e) for e in entries + [0]))
        descriptors.append((lookup, name_rva))
    directory = put(b"".join(struct.pack("<IIIII", lookup, 0, 0, name, lookup)
                             for lookup, name in descriptors) + b"\0" * 20)

    optional_size = 240 if wide else 224
    header = bytearray(SECTION_OFFSET)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    header[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", header, 0x44, machine, 1, 0, 0, 0, optional_size, 0x102)
    optional = 0x58
    struct.pack_into("<H", header, optional, 0x20B if wide else 0x10B)
    struct.pack_into("<HH", header, optional + 40, *os_version)
    struct.pack_into("<HH", header, optional + 48, *subsystem_version)
    struct.pack_into("<H", header, optional + 68, subsystem)
    directories = optional + (112 if wide else 96)
    struct.pack_into("<I", header, directories - 4, 16)
    struct.pack_into("<II", header, directories + 8, directory, len(body))
    section = optional + optional_size
    header[section:section + 5] = b".idat"
    struct.pack_into("<IIII", header, section + 8, len(body), SECTION_RVA, len(body),
                     SECTION_OFFSET)
    return bytes(header) + bytes(body)


ALLOWED = {("kernel32.dll", "CloseHandle"): (3, 1), ("kernel32.dll", "GetFileSizeEx"): (5, 0),
           ("kernel32.dll", "AttachConsole"): (5, 1), ("msvcrt.dll", "freopen_s"): (6, 0),
           ("msvcrt.dll", "freopen"): (4, 0)}
GOOD = {"KERNEL32.dll": ["CloseHandle", "GetFileSizeEx"], "msvcrt.dll": ["freopen"]}


class CheckImports(unittest.TestCase):
    def problems(self, data, oldest=(5, 0), machine="i386"):
        return check_imports.check(check_imports.PeFile(data), ALLOWED, oldest, machine)

    def test_each_fault_is_reported_and_nothing_else(self):
        cases = [
            ("all in Windows 2000", make_pe(GOOD), []),
            ("a function XP added",
             make_pe({"KERNEL32.dll": ["CloseHandle", "AttachConsole"]}),
             ["KERNEL32.dll!AttachConsole first appeared in Windows 5.1, after 5.0"]),
            ("a secure CRT function", make_pe({"msvcrt.dll": ["freopen_s"]}),
             ["msvcrt.dll!freopen_s first appeared in Windows 6.0, after 5.0"]),
            ("a function not listed", make_pe({"KERNEL32.dll": ["GetNativeSystemInfo"]}),
             ["KERNEL32.dll!GetNativeSystemInfo is not in the list of allowed imports"]),
            ("a DLL not listed", make_pe({"wtsapi32.dll": ["CloseHandle"]}),
             ["wtsapi32.dll!CloseHandle is not in the list of allowed imports"]),
            ("an import by ordinal", make_pe({"KERNEL32.dll": []}, by_ordinal=[17]),
             ["KERNEL32.dll imported by ordinal #17"]),
            ("subsystem version of XP", make_pe(GOOD, subsystem_version=(5, 1)),
             ["subsystem version 5.01, expected 5.00"]),
            ("OS version of XP", make_pe(GOOD, os_version=(5, 1)),
             ["operating system version 5.01, expected 5.00"]),
            ("a console program", make_pe(GOOD, subsystem=3),
             ["subsystem 3, expected the Windows GUI (2)"]),
            ("a 64-bit program", make_pe(GOOD, machine=0x8664),
             ["machine 0x8664, expected i386 (0x014c)"]),
        ]
        for label, data, expected in cases:
            with self.subTest(label):
                self.assertEqual(self.problems(data), expected)

    def test_dll_names_compare_without_case_and_function_names_with_it(self):
        self.assertEqual(self.problems(make_pe({"kernel32.DLL": ["CloseHandle"]})), [])
        self.assertEqual(self.problems(make_pe({"KERNEL32.dll": ["closehandle"]})),
                         ["KERNEL32.dll!closehandle is not in the list of allowed imports"])

    def test_a_64_bit_program_is_checked_against_its_own_floor(self):
        data = make_pe({"KERNEL32.dll": ["AttachConsole"]}, machine=0x8664,
                       subsystem_version=(5, 2), os_version=(5, 2), wide=True)
        self.assertEqual(self.problems(data, oldest=(5, 2), machine="amd64"), [])
        self.assertEqual(self.problems(data, oldest=(5, 0), machine="amd64"),
                         ["subsystem version 5.02, expected 5.00",
                          "operating system version 5.02, expected 5.00",
                          "KERNEL32.dll!AttachConsole first appeared in Windows 5.1, after 5.0"])

    def test_broken_files_are_refused_rather_than_passed(self):
        good = make_pe(GOOD)
        for label, data in [("empty", b""), ("no MZ", b"ZM" + good[2:]),
                            ("no PE signature", good[:0x40] + b"XX\0\0" + good[0x44:]),
                            ("cut short", good[:0x100])]:
            with self.subTest(label):
                with self.assertRaises(check_imports.PeError):
                    check_imports.PeFile(data).imports()

    def test_the_list_file_is_read_and_a_duplicate_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "list.txt")
            with open(path, "w") as out:
                out.write("# comment\nKERNEL32.dll CloseHandle 3.1  # trailing\n\n")
            self.assertEqual(check_imports.read_allowed(path),
                             {("kernel32.dll", "CloseHandle"): (3, 1)})
            with open(path, "a") as out:
                out.write("kernel32.dll CloseHandle 3.1\n")
            with self.assertRaises(check_imports.PeError):
                check_imports.read_allowed(path)

    def test_the_command_fails_on_a_problem_and_passes_a_clean_file(self):
        with tempfile.TemporaryDirectory() as folder:
            allowed = os.path.join(folder, "list.txt")
            with open(allowed, "w") as out:
                out.write("KERNEL32.dll CloseHandle 3.1\nKERNEL32.dll AttachConsole 5.1\n")
            for label, imports, code in [("clean", {"KERNEL32.dll": ["CloseHandle"]}, 0),
                                         ("XP import", {"KERNEL32.dll": ["AttachConsole"]}, 1)]:
                with self.subTest(label):
                    exe = os.path.join(folder, label + ".exe")
                    with open(exe, "wb") as out:
                        out.write(make_pe(imports))
                    self.assertEqual(check_imports.main(["--allowed", allowed, exe]), code)


if __name__ == "__main__":
    unittest.main()
