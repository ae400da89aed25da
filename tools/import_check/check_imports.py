#!/usr/bin/env python3
"""Checks that a Windows program can be loaded by the oldest Windows it is meant for.

Reads the PE header and the import tables (ordinary and delay-load) of the file itself and
compares them with a list of allowed imports. Each line of the list is
    dll function oldest-windows
where oldest-windows is the first Windows version whose DLL exports the function ("5.0" for
Windows 2000). The check fails on:
  - a machine other than the expected one, a subsystem other than the GUI,
  - a subsystem or operating-system version other than the expected one,
  - an import by ordinal, or an imported DLL or function missing from the list,
  - a listed function newer than the oldest Windows the program must start on.
A function that a newer Windows added belongs behind GetProcAddress, not in the import table:
the loader of an older system refuses the whole program for one missing entry point.

Usage: check_imports.py [--allowed LIST] [--oldest 5.0] [--machine i386] PE-FILE
"""

import argparse
import os
import struct
import sys

MACHINES = {"i386": 0x014C, "amd64": 0x8664}
SUBSYSTEM_GUI = 2
PE32 = 0x10B
PE32_PLUS = 0x20B


class PeError(Exception):
    pass


def parse_version(text):
    try:
        major, minor = text.split(".")
        return int(major), int(minor)
    except ValueError:
        raise PeError("not a version: %r" % text)


class PeFile:
    def __init__(self, data):
        self.data = data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PeError("no MZ header")
        (pe_offset,) = self.unpack("<I", 0x3C)
        if data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise PeError("no PE signature at 0x%x" % pe_offset)
        coff = pe_offset + 4
        (self.machine, section_count, _, _, _, optional_size, _) = self.unpack("<HHIIIHH", coff)
        optional = coff + 20
        (self.magic,) = self.unpack("<H", optional)
        if self.magic not in (PE32, PE32_PLUS):
            raise PeError("unknown optional header magic 0x%x" % self.magic)
        self.wide = self.magic == PE32_PLUS
        # Same offsets in PE32 and PE32+ up to the subsystem.
        (self.os_major, self.os_minor) = self.unpack("<HH", optional + 40)
        (self.subsystem_major, self.subsystem_minor) = self.unpack("<HH", optional + 48)
        (self.subsystem,) = self.unpack("<H", optional + 68)
        directories = optional + (112 if self.wide else 96)
        (self.directory_count,) = self.unpack("<I", directories - 4)
        self.directories = []
        for i in range(min(self.directory_count, 16)):
            self.directories.append(self.unpack("<II", directories + 8 * i))
        self.sections = []
        table = optional + optional_size
        for i in range(section_count):
            at = table + 40 * i
            (virtual_size, virtual_address, raw_size, raw_offset) = self.unpack("<IIII", at + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_offset,
                                  raw_size))

    def unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PeError("read past the end of the file at 0x%x" % offset)
        return struct.unpack_from(fmt, self.data, offset)

    def offset_of(self, rva):
        for (address, size, raw_offset, raw_size) in self.sections:
            if address <= rva < address + size:
                if rva - address >= raw_size:
                    raise PeError("RVA 0x%x lies in no file data" % rva)
                return raw_offset + rva - address
        raise PeError("RVA 0x%x lies in no section" % rva)

    def string_at(self, rva):
        start = self.offset_of(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise PeError("unterminated name at RVA 0x%x" % rva)
        return self.data[start:end].decode("ascii", "replace")

    def thunks(self, rva):
        """Names (or ordinals, as '#n') of a null-terminated thunk array."""
        entries = []
        size, fmt, flag = (8, "<Q", 1 << 63) if self.wide else (4, "<I", 1 << 31)
        at = self.offset_of(rva)
        while True:
            (value,) = self.unpack(fmt, at)
            if value == 0:
                return entries
            if value & flag:
                entries.append("#%d" % (value & 0xFFFF))
            else:
                entries.append(self.string_at((value & 0x7FFFFFFF) + 2))  # past the hint
            at += size

    def imports(self):
        """(dll, function) pairs of the import and delay-load import directories."""
        found = []
        if len(self.directories) > 1 and self.directories[1][0] != 0:
            at = self.offset_of(self.directories[1][0])
            while True:
                (lookup, _, _, name, address) = self.unpack("<IIIII", at)
                if lookup == 0 and name == 0 and address == 0:
                    break
                dll = self.string_at(name)
                for function in self.thunks(lookup or address):
                    found.append((dll, function))
                at += 20
        if len(self.directories) > 13 and self.directories[13][0] != 0:
            at = self.offset_of(self.directories[13][0])
            while True:
                (attributes, name, _, _, names, _, _, _) = self.unpack("<IIIIIIII", at)
                if name == 0:
                    break
                if attributes & 1 == 0:
                    raise PeError("old-style delay-load descriptor")
                dll = self.string_at(name)
                for function in self.thunks(names):
                    found.append((dll, function))
                at += 32
        return found


def read_allowed(path):
    allowed = {}
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 3:
                raise PeError("%s:%d: expected 'dll function oldest-windows'" % (path, number))
            key = (fields[0].lower(), fields[1])
            if key in allowed:
                raise PeError("%s:%d: %s!%s listed twice" % (path, number, fields[0], fields[1]))
            allowed[key] = parse_version(fields[2])
    return allowed


def check(pe, allowed, oldest, machine):
    problems = []
    if pe.machine != MACHINES[machine]:
        problems.append("machine 0x%04x, expected %s (0x%04x)"
                        % (pe.machine, machine, MACHINES[machine]))
    if pe.subsystem != SUBSYSTEM_GUI:
        problems.append("subsystem %d, expected the Windows GUI (2)" % pe.subsystem)
    for label, version in (("subsystem", (pe.subsystem_major, pe.subsystem_minor)),
                           ("operating system", (pe.os_major, pe.os_minor))):
        if version != oldest:
            problems.append("%s version %d.%02d, expected %d.%02d"
                            % ((label,) + version + oldest))
    for dll, function in pe.imports():
        if function.startswith("#"):
            problems.append("%s imported by ordinal %s" % (dll, function))
            continue
        since = allowed.get((dll.lower(), function))
        if since is None:
            problems.append("%s!%s is not in the list of allowed imports" % (dll, function))
        elif since > oldest:
            problems.append("%s!%s first appeared in Windows %d.%d, after %d.%d"
                            % ((dll, function) + since + oldest))
    return problems


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--allowed", default=os.path.join(here, "allowed_imports.txt"))
    parser.add_argument("--oldest", default="5.0", help="oldest Windows, e.g. 5.0 or 5.2")
    parser.add_argument("--machine", default="i386", choices=sorted(MACHINES))
    parser.add_argument("file")
    args = parser.parse_args(argv)
    try:
        with open(args.file, "rb") as stream:
            pe = PeFile(stream.read())
        problems = check(pe, read_allowed(args.allowed), parse_version(args.oldest), args.machine)
        count = len(pe.imports())
    except (OSError, PeError) as error:
        print("import check: %s: %s" % (args.file, error), file=sys.stderr)
        return 2
    for problem in problems:
        print("import check: %s: %s" % (args.file, problem), file=sys.stderr)
    if problems:
        print("import check: %s FAILED (%d problem(s))" % (args.file, len(problems)),
              file=sys.stderr)
        return 1
    print("import check: %s: %d imports, all in Windows %s" % (args.file, count, args.oldest))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
