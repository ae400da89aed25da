#!/usr/bin/env python3
"""Checks that a Windows program can be loaded by the oldest Windows it is meant for.

Reads the PE header and the import tables (ordinary and delay-load) of the file itself (with
pefile, Debian's python3-pefile) and
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


def load_pefile():
    """Debian's python3-pefile (scripts/setup.sh), also from a python3 of another origin."""
    try:
        import pefile
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        import pefile
    return pefile


class PeFile:
    """The header fields and imports the check needs, read by pefile. pefile reads on where a
    table is cut or points nowhere and only warns: here every warning refuses the file (but
    one on the entry point, which this check does not read), since a table read short would
    pass imports unseen."""

    def __init__(self, data):
        pefile = load_pefile()
        try:
            pe = pefile.PE(data=data, fast_load=True)
            pe.parse_data_directories(directories=[
                pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
                pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]])
        except pefile.PEFormatError as error:
            raise PeError(str(error))
        warnings = [w for w in pe.get_warnings() if not w.startswith("AddressOfEntryPoint")]
        if warnings:
            raise PeError("; ".join(warnings))
        self.machine = pe.FILE_HEADER.Machine
        optional = pe.OPTIONAL_HEADER
        if optional.Magic not in (PE32, PE32_PLUS):
            raise PeError("unknown optional header magic 0x%x" % optional.Magic)
        self.os_major = optional.MajorOperatingSystemVersion
        self.os_minor = optional.MinorOperatingSystemVersion
        self.subsystem_major = optional.MajorSubsystemVersion
        self.subsystem_minor = optional.MinorSubsystemVersion
        self.subsystem = optional.Subsystem
        self.found = []
        for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
            self._add(entry)
        for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
            if entry.struct.grAttrs & 1 == 0:
                raise PeError("old-style delay-load descriptor")
            self._add(entry)

    def _add(self, entry):
        dll = entry.dll.decode("ascii", "replace")
        for function in entry.imports:
            if function.import_by_ordinal:
                self.found.append((dll, "#%d" % function.ordinal))
            else:
                self.found.append((dll, function.name.decode("ascii", "replace")))

    def imports(self):
        """(dll, function) pairs of the import and delay-load import directories."""
        return list(self.found)


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
