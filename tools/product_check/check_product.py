#!/usr/bin/env python3
"""Static checks of a product build folder, for the builds that Wine does not run here.

    check_product.py BUILD_DIR [--bits 32|64]

Every machine builds both the 32-bit product and its x86-64 twin, but Wine runs only one of them
(the one this machine can execute). What can be proven without running a file is proven here,
for both: the PE header (machine, optional-header kind, GUI subsystem), the size of the setup's
own code (held to CODE_LIMIT in the 32-bit build, printed for both), the resources the setup
finds at run time (the packages, the welcome dialog and its pictures, the string table, the
manifest, the version), and the distributor tag in the certificate table of the tagged copies.
The signature itself is checked by `osslsigncode verify` in scripts/check-product.sh.

Exit code 0 when every check passed, 1 otherwise; one line per check.
"""
import argparse
import struct
import sys
from pathlib import Path

RT_BITMAP, RT_DIALOG, RT_STRING, RT_RCDATA, RT_VERSION, RT_MANIFEST = 2, 5, 6, 10, 16, 24
DEFAULT_TAG = b"AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0"
MULTI_PACKS = ["DA_DK", "DE_DE", "EN_GB", "EN_US", "FR_FR"]
# The setup's own code and data, resources left out: what every download carries before any
# package. Only the 32-bit product is shipped, so only its figure is held to the limit.
CODE_LIMIT = 256 * 1024


def load_pefile():
    """Debian's python3-pefile (scripts/setup.sh), also from a python3 of another origin."""
    try:
        import pefile
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        import pefile
    return pefile


class Pe:
    def __init__(self, data: bytes):
        pefile = load_pefile()
        self.data = data
        try:
            self.pe = pefile.PE(data=data, fast_load=True)
        except pefile.PEFormatError as error:
            raise ValueError(str(error)) from error
        self.pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        self.machine = self.pe.FILE_HEADER.Machine
        self.magic = self.pe.OPTIONAL_HEADER.Magic
        self.subsystem = self.pe.OPTIONAL_HEADER.Subsystem
        self.directories = [(d.VirtualAddress, d.Size)
                            for d in self.pe.OPTIONAL_HEADER.DATA_DIRECTORY]

    def code_size(self):
        """(bytes of every section but .rsrc at its virtual size, bytes of file padding)."""
        code = padding = 0
        for section in self.pe.sections:
            raw, virtual = section.SizeOfRawData, section.Misc_VirtualSize
            padding += max(raw - virtual, 0)
            if section.Name.rstrip(b"\0") != b".rsrc":
                code += virtual
        return code, padding

    def resources(self):
        """{type: {name: size}}, names as int ids or upper-case strings (first language)."""
        def key(entry):
            return entry.id if entry.name is None else str(entry.name).upper()

        result = {}
        root = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for rtype in root.entries if root else []:
            names = result.setdefault(key(rtype), {})
            for entry in rtype.directory.entries:
                names[key(entry)] = entry.directory.entries[0].data.struct.Size
        return result

    def tag(self):
        """The tag text behind the signature, b"" for a signed file without one, None unsigned."""
        table, size = self.directories[4]
        if table == 0 or size == 0:
            return None
        blob = table + 8
        if self.data[blob:blob + 2] != b"\x30\x82":
            return b""
        der = struct.unpack_from(">H", self.data, blob + 2)[0]
        at = table + ((der + 19) & ~7)
        if self.data[at:at + 4] != b"Gact":
            return b""
        length = struct.unpack_from(">H", self.data, at + 4)[0]
        return self.data[at + 6:at + 6 + length]


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, ok: bool, what: str):
        print(("ok: " if ok else "FAIL: ") + what)
        if not ok:
            self.failures += 1


def check_file(checks: Checks, path: Path, bits: int, packs, tagged: bool):
    name = path.name
    try:
        pe = Pe(path.read_bytes())
    except (OSError, ValueError, struct.error) as error:
        checks.expect(False, f"{name}: readable PE file ({error})")
        return
    machine, magic = (0x14C, 0x10B) if bits == 32 else (0x8664, 0x20B)
    checks.expect(pe.machine == machine and pe.magic == magic,
                  f"{name}: machine {pe.machine:#x}, optional header {pe.magic:#x}"
                  f" ({bits}-bit: {machine:#x}, {magic:#x})")
    checks.expect(pe.subsystem == 2, f"{name}: GUI subsystem ({pe.subsystem})")
    if name == "QuorixSetup.exe":
        code, padding = pe.code_size()
        figure = (f"{name}: code {code:,} B in every section but .rsrc (virtual sizes), "
                  f"{padding:,} B of alignment padding in the file")
        if bits == 32:
            checks.expect(code <= CODE_LIMIT, f"{figure}; limit {CODE_LIMIT:,} B "
                                              f"({CODE_LIMIT - code:,} B left)")
        else:
            print(f"size: {figure} (x86-64, no limit)")
    try:
        resources = pe.resources()
    except (ValueError, struct.error, AttributeError, IndexError) as error:
        checks.expect(False, f"{name}: resource directory readable ({error})")
        return
    rcdata = resources.get(RT_RCDATA, {})
    checks.expect(rcdata.get("MSI", 0) > 0, f"{name}: base package RCDATA \"MSI\"")
    found = sorted(n[len("VLLANGPACK_"):] for n in rcdata
                   if isinstance(n, str) and n.startswith("VLLANGPACK_"))
    checks.expect(found == packs, f"{name}: language packs {found} (expected {packs})")
    checks.expect(101 in resources.get(RT_DIALOG, {}), f"{name}: welcome dialog 101")
    bitmaps = resources.get(RT_BITMAP, {})
    checks.expect(202 in bitmaps and 222 in bitmaps, f"{name}: banner 202 and notice 222")
    checks.expect(len(resources.get(RT_STRING, {})) > 0, f"{name}: string table")
    checks.expect(1 in resources.get(RT_MANIFEST, {}), f"{name}: manifest 1")
    checks.expect(1 in resources.get(RT_VERSION, {}), f"{name}: version resource")
    tag = pe.tag()
    checks.expect(tag is not None, f"{name}: certificate table (signed)")
    if tagged:
        checks.expect(tag == DEFAULT_TAG, f"{name}: default tag ({tag!r})")
    else:
        checks.expect(tag == b"", f"{name}: no tag ({tag!r})")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", type=Path)
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    args = parser.parse_args()
    checks = Checks()
    for file, packs, tagged in [("QuorixSetup.exe", ["EN_US"], False),
                                ("QuorixSetup-tagged.exe", ["EN_US"], True),
                                ("QuorixSetup-multi.exe", MULTI_PACKS, False),
                                ("QuorixSetup-multi-tagged.exe", MULTI_PACKS, True)]:
        path = args.build_dir / file
        if not path.is_file():
            checks.expect(False, f"{file}: built in {args.build_dir}")
            continue
        check_file(checks, path, args.bits, packs, tagged)
    print(f"{checks.failures} check(s) failed" if checks.failures else "all static checks passed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
