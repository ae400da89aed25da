#!/usr/bin/env python3
"""Embeds property transforms into a Windows Installer package.

The setup installs the base package with TRANSFORMS=:<name>, where <name> is the chosen locale
code or "silent". The Windows Installer applies such a transform from a substorage of that name
inside the package and fails the installation (1624) when there is none. wixl cannot embed
transforms and msitools cannot write them, so this tool writes them itself: each transform
changes one row of the Property table (PROPERTY = <transform name>), which lets a test see which
transform the installer applied.

The package is a compound file; this tool reads it whole, adds one storage per transform and
writes a new compound file (version 3, 512-byte sectors). A transform storage holds its own
string pool, the Property table changes in transform layout and a summary information stream
naming the package's product code, version and upgrade code, with no validation flags set.

Usage: msi_embed_transforms.py INPUT.msi OUTPUT.msi PROPERTY NAME [NAME ...]
"""

import struct
import sys

FREESECT = 0xFFFFFFFF
ENDOFCHAIN = 0xFFFFFFFE
FATSECT = 0xFFFFFFFD
DIFSECT = 0xFFFFFFFC
NOSTREAM = 0xFFFFFFFF
MINI_CUTOFF = 4096
MINI_SECTOR = 64
SECTOR = 512
HEADER_DIFAT = 109

CLSID_MSI_TRANSFORM = bytes.fromhex("8210 0C00 0000 0000 C000 0000 0000 0046".replace(" ", ""))
FMTID_SUMMARY = bytes.fromhex("E0859FF2F94F6810AB9108002B27B3D9")


class PackageError(Exception):
    pass


class Entry:
    """One storage or stream of a compound file."""

    def __init__(self, name, kind, clsid=b"\0" * 16, data=b""):
        self.name = name          # str, may hold code points of MSI's encoded names
        self.kind = kind          # 1 storage, 2 stream, 5 root
        self.clsid = clsid
        self.data = data
        self.children = []
        self.state = 0


# ---------------------------------------------------------------- reading a compound file

def read_compound_file(blob):
    if len(blob) < 512 or blob[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
        raise PackageError("not a compound file")
    sector_shift, mini_shift = struct.unpack_from("<HH", blob, 0x1E)
    sector_size = 1 << sector_shift
    mini_size = 1 << mini_shift
    (num_fat, first_dir, _, cutoff, first_minifat, num_minifat, first_difat,
     num_difat) = struct.unpack_from("<IIIIIIII", blob, 0x2C)
    header_size = 512 if sector_size == 512 else sector_size

    def sector(index):
        start = header_size + index * sector_size
        if start + sector_size > len(blob):
            raise PackageError("sector %d past the end of the file" % index)
        return blob[start:start + sector_size]

    fat_sectors = list(struct.unpack_from("<109I", blob, 0x4C))
    next_difat = first_difat
    for _ in range(num_difat):
        if next_difat in (ENDOFCHAIN, FREESECT):
            break
        words = struct.unpack("<%dI" % (sector_size // 4), sector(next_difat))
        fat_sectors.extend(words[:-1])
        next_difat = words[-1]
    fat_sectors = [s for s in fat_sectors[:num_fat] if s not in (FREESECT, ENDOFCHAIN)]
    fat = []
    for s in fat_sectors:
        fat.extend(struct.unpack("<%dI" % (sector_size // 4), sector(s)))

    def chain(first, table):
        seen = set()
        index = first
        while index not in (ENDOFCHAIN, FREESECT):
            if index in seen or index >= len(table):
                raise PackageError("broken sector chain")
            seen.add(index)
            yield index
            index = table[index]

    def read_chain(first):
        return b"".join(sector(s) for s in chain(first, fat))

    directory = read_chain(first_dir)
    raw = []
    for offset in range(0, len(directory) - 127, 128):
        name_len, kind, _color, left, right, child = struct.unpack_from(
            "<HBBIII", directory, offset + 64)
        clsid = directory[offset + 80:offset + 96]
        state = struct.unpack_from("<I", directory, offset + 96)[0]
        start, size = struct.unpack_from("<IQ", directory, offset + 116)
        if sector_size == 512:
            size &= 0xFFFFFFFF
        name = directory[offset:offset + min(max(name_len - 2, 0), 62)].decode("utf-16-le")
        raw.append((name, kind, left, right, child, clsid, state, start, size))
    if not raw or raw[0][1] != 5:
        raise PackageError("no root entry")

    root_start, root_size = raw[0][7], raw[0][8]
    mini_stream = read_chain(root_start)[:root_size] if root_start != ENDOFCHAIN else b""
    minifat = []
    if num_minifat:
        words = read_chain(first_minifat)
        minifat = list(struct.unpack("<%dI" % (len(words) // 4), words))

    def stream_data(start, size):
        if size < cutoff:
            data = b"".join(mini_stream[m * mini_size:(m + 1) * mini_size]
                            for m in chain(start, minifat))
        else:
            data = read_chain(start)
        if len(data) < size:
            raise PackageError("stream shorter than its size")
        return data[:size]

    def build(index, visiting):
        if index in visiting:
            raise PackageError("directory loop")
        name, kind, _l, _r, child, clsid, state, start, size = raw[index]
        entry = Entry(name, kind, clsid)
        entry.state = state
        if kind == 2:
            entry.data = stream_data(start, size)
        else:
            entry.children = [build(c, visiting | {index}) for c in siblings(child)]
        return entry

    def siblings(index):
        found, todo = [], [index]
        while todo:
            i = todo.pop()
            if i == NOSTREAM:
                continue
            if i >= len(raw) or i in found:
                raise PackageError("broken directory tree")
            found.append(i)
            todo.extend((raw[i][2], raw[i][3]))
        return found

    return build(0, frozenset())


# ---------------------------------------------------------------- writing a compound file

def name_key(name):
    return (len(name), name.upper())


def write_compound_file(root):
    entries = []

    def collect(entry):
        entry.index = len(entries)
        entries.append(entry)
        for child in entry.children:
            collect(child)

    collect(root)

    # Small streams live in the mini stream, the others in sectors of their own.
    mini = bytearray()
    minifat = []
    for e in entries:
        e.start, e.size = ENDOFCHAIN, 0
        if e.kind == 2:
            e.size = len(e.data)
            if 0 < e.size < MINI_CUTOFF:
                e.start = len(mini) // MINI_SECTOR
                count = -(-e.size // MINI_SECTOR)
                minifat.extend(range(e.start + 1, e.start + count))
                minifat.append(ENDOFCHAIN)
                mini += e.data + b"\0" * (count * MINI_SECTOR - e.size)

    sectors = []          # contents of every sector after the header
    fat = []

    def allocate(data, marker=None):
        count = -(-len(data) // SECTOR) if data else 0
        if count == 0:
            return ENDOFCHAIN
        first = len(sectors)
        for i in range(count):
            sectors.append(data[i * SECTOR:(i + 1) * SECTOR].ljust(SECTOR, b"\0"))
            fat.append(marker if marker is not None else
                       (first + i + 1 if i + 1 < count else ENDOFCHAIN))
        return first

    for e in entries:
        if e.kind == 2 and e.size >= MINI_CUTOFF:
            e.start = allocate(e.data)
    root.start = allocate(bytes(mini))
    root.size = len(mini)
    minifat_bytes = b"".join(struct.pack("<I", v) for v in minifat)
    minifat_bytes += struct.pack("<I", FREESECT) * ((-len(minifat)) % (SECTOR // 4))
    first_minifat = allocate(minifat_bytes) if minifat else ENDOFCHAIN
    num_minifat = -(-len(minifat_bytes) // SECTOR) if minifat else 0

    # Siblings form a binary search tree ordered by name length, then upper-case name; built
    # balanced, every node may be black.
    for e in entries:
        e.left = e.right = e.child = NOSTREAM

    def balance(items):
        if not items:
            return NOSTREAM
        middle = len(items) // 2
        node = items[middle]
        node.left = balance(items[:middle])
        node.right = balance(items[middle + 1:])
        return node.index

    for e in entries:
        if e.kind in (1, 5):
            e.child = balance(sorted(e.children, key=lambda c: name_key(c.name)))

    directory = bytearray()
    for e in entries:
        encoded = e.name.encode("utf-16-le")
        if len(encoded) > 62:
            raise PackageError("entry name too long: %r" % e.name)
        record = bytearray(128)
        record[0:len(encoded)] = encoded
        struct.pack_into("<HBBIII", record, 64, len(encoded) + 2, e.kind, 1,
                         e.left, e.right, e.child)
        record[80:96] = e.clsid
        struct.pack_into("<I", record, 96, e.state)
        struct.pack_into("<IQ", record, 116, e.start, e.size)
        directory += record
    empty = bytearray(128)
    struct.pack_into("<III", empty, 68, NOSTREAM, NOSTREAM, NOSTREAM)
    while len(directory) % SECTOR:
        directory += empty
    first_dir = allocate(bytes(directory))

    # The FAT describes itself and the DIFAT sectors that list FAT sectors beyond the 109 the
    # header holds: grow both until their own sectors are counted.
    per_sector = SECTOR // 4
    num_fat = num_difat = 0
    while True:
        want_fat = -(-(len(fat) + num_fat + num_difat) // per_sector)
        want_difat = (-(-(want_fat - HEADER_DIFAT) // (per_sector - 1))
                      if want_fat > HEADER_DIFAT else 0)
        if (want_fat, want_difat) == (num_fat, num_difat):
            break
        num_fat, num_difat = want_fat, want_difat
    fat_first = len(sectors)
    difat_first = fat_first + num_fat
    fat.extend([FATSECT] * num_fat)
    fat.extend([DIFSECT] * num_difat)
    fat.extend([FREESECT] * (num_fat * per_sector - len(fat)))
    fat_bytes = struct.pack("<%dI" % len(fat), *fat)
    for i in range(num_fat):
        sectors.append(fat_bytes[i * SECTOR:(i + 1) * SECTOR])
    fat_indices = [fat_first + i for i in range(num_fat)]
    overflow = fat_indices[HEADER_DIFAT:]
    for d in range(num_difat):
        words = overflow[d * (per_sector - 1):(d + 1) * (per_sector - 1)]
        words += [FREESECT] * (per_sector - 1 - len(words))
        words.append(difat_first + d + 1 if d + 1 < num_difat else ENDOFCHAIN)
        sectors.append(struct.pack("<%dI" % per_sector, *words))

    header = bytearray(512)
    header[0:8] = bytes.fromhex("D0CF11E0A1B11AE1")
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", header, 0x2C, num_fat, first_dir, 0, MINI_CUTOFF,
                     first_minifat, num_minifat,
                     difat_first if num_difat else ENDOFCHAIN, num_difat)
    head = fat_indices[:HEADER_DIFAT]
    struct.pack_into("<109I", header, 0x4C, *(head + [FREESECT] * (HEADER_DIFAT - len(head))))
    return bytes(header) + b"".join(sectors)


# ---------------------------------------------------------------- MSI names, strings, tables

def _mime(c):
    if "0" <= c <= "9":
        return ord(c) - ord("0")
    if "A" <= c <= "Z":
        return ord(c) - ord("A") + 10
    if "a" <= c <= "z":
        return ord(c) - ord("a") + 36
    if c == ".":
        return 62
    if c == "_":
        return 63
    return -1


def encode_table_name(name):
    """MSI packs two name characters into one code point; tables carry a 0x4840 prefix."""
    out = [chr(0x4840)]
    i = 0
    while i < len(name):
        a = _mime(name[i])
        if a < 0:
            out.append(name[i])
            i += 1
            continue
        b = _mime(name[i + 1]) if i + 1 < len(name) else -1
        if b >= 0:
            out.append(chr(0x3800 + a + (b << 6)))
            i += 2
        else:
            out.append(chr(0x4800 + a))
            i += 1
    return "".join(out)


class StringPool:
    def __init__(self, codepage, long_refs, strings):
        self.codepage = codepage
        self.long_refs = long_refs
        self.strings = strings    # index 0 is the null string

    @classmethod
    def load(cls, pool, data):
        words = struct.unpack("<%dH" % (len(pool) // 2), pool)
        if len(words) < 2:
            raise PackageError("empty string pool")
        codepage = words[0] | ((words[1] & 0x7FFF) << 16)
        long_refs = bool(words[1] & 0x8000)
        encoding = python_codec(codepage)
        strings, offset, i = [None], 0, 2
        while i + 1 < len(words):
            length, refs = words[i], words[i + 1]
            i += 2
            if length == 0 and refs == 0:
                strings.append(None)        # an unused string id
                continue
            if length == 0:
                # Over 64 KiB: the length sits in the following pair, low word first.
                if i + 1 >= len(words):
                    raise PackageError("truncated string pool")
                length = words[i] | (words[i + 1] << 16)
                i += 2
            if offset + length > len(data):
                raise PackageError("string pool longer than its data")
            strings.append(data[offset:offset + length].decode(encoding))
            offset += length
        return cls(codepage, long_refs, strings)

    def lookup(self, index):
        if index == 0 or index >= len(self.strings):
            return None
        return self.strings[index]


def python_codec(codepage):
    if codepage in (0, 1252):
        return "cp1252"
    if codepage == 65001:
        return "utf-8"
    return "cp%d" % codepage


def find_stream(storage, name):
    for child in storage.children:
        if child.kind == 2 and child.name == name:
            return child.data
    raise PackageError("stream %r missing" % name)


def read_property_table(root):
    pool = StringPool.load(find_stream(root, encode_table_name("_StringPool")),
                           find_stream(root, encode_table_name("_StringData")))
    data = find_stream(root, encode_table_name("Property"))
    ref = 3 if pool.long_refs else 2
    rows = len(data) // (2 * ref)

    def ref_at(offset):
        return int.from_bytes(data[offset:offset + ref], "little")

    table = {}
    for r in range(rows):
        key = pool.lookup(ref_at(r * ref))
        value = pool.lookup(ref_at((rows + r) * ref))
        table[key] = value
    return pool, table


def summary_stream(properties):
    """A summary information property set holding the given (id, VT, value) triples."""
    body = bytearray()
    offsets = []
    base = 8 + 8 * len(properties)
    for pid, vt, value in properties:
        offsets.append((pid, base + len(body)))
        if vt == 2:
            body += struct.pack("<IhH", vt, value, 0)
        elif vt == 3:
            body += struct.pack("<Ii", vt, value)
        elif vt == 30:
            text = value.encode("cp1252") + b"\0"
            body += struct.pack("<II", vt, len(text)) + text
            body += b"\0" * ((-len(text)) % 4)
        else:
            raise PackageError("unsupported property type")
    section = struct.pack("<II", base + len(body), len(properties))
    section += b"".join(struct.pack("<II", pid, off) for pid, off in offsets) + body
    header = struct.pack("<HHI", 0xFFFE, 0, 0x00020006) + b"\0" * 16 + struct.pack("<I", 1)
    header += FMTID_SUMMARY + struct.pack("<I", 48)
    return header + section


def build_transform(name, property_name, value, pool_codepage, product_code, version,
                    upgrade_code):
    encoding = python_codec(pool_codepage)
    strings = [property_name, value]
    encoded = [s.encode(encoding) for s in strings]
    pool = struct.pack("<HH", pool_codepage & 0xFFFF, (pool_codepage >> 16) & 0x7FFF)
    for e in encoded:
        if len(e) > 0xFFFF:
            raise PackageError("string too long for a transform")
        pool += struct.pack("<HH", len(e), 1)
    # One row change: mask 0x0002 updates the Value column of the row keyed by string 1.
    table = struct.pack("<HHH", 0x0002, 1, 2)
    product = "%s%s;%s%s;%s" % (product_code, version, product_code, version, upgrade_code)
    summary = summary_stream([
        (1, 2, 1252 if pool_codepage in (0, 1252) else pool_codepage),  # PID_CODEPAGE
        (7, 30, "Intel;1033"),         # PID_TEMPLATE: platform and language of the package
        (8, 30, "Intel;1033"),         # PID_LASTAUTHOR: the same after the transform
        (9, 30, product),              # PID_REVNUMBER: product codes, versions, upgrade code
        (14, 3, 200),                  # PID_PAGECOUNT: installer version needed
        (16, 3, 0),                    # PID_CHARCOUNT: no validation, no errors suppressed
    ])
    storage = Entry(name, 1, CLSID_MSI_TRANSFORM)
    storage.children = [
        Entry(encode_table_name("_StringPool"), 2, data=pool),
        Entry(encode_table_name("_StringData"), 2, data=b"".join(encoded)),
        Entry(encode_table_name("Property"), 2, data=table),
        Entry("\x05SummaryInformation", 2, data=summary),
    ]
    return storage


def main(argv):
    if len(argv) < 5:
        sys.stderr.write(__doc__)
        return 2
    source, target, property_name, names = argv[1], argv[2], argv[3], argv[4:]
    try:
        with open(source, "rb") as f:
            root = read_compound_file(f.read())
        pool, properties = read_property_table(root)
        if property_name not in properties:
            raise PackageError("the package has no property %s to transform" % property_name)
        for key in ("ProductCode", "ProductVersion", "UpgradeCode"):
            if not properties.get(key):
                raise PackageError("the package has no %s" % key)
        existing = {c.name for c in root.children}
        for name in names:
            if name in existing or len(name) > 31:
                raise PackageError("cannot add a transform named %r" % name)
            root.children.append(build_transform(
                name, property_name, name, pool.codepage, properties["ProductCode"],
                properties["ProductVersion"], properties["UpgradeCode"]))
            existing.add(name)
        blob = write_compound_file(root)
    except (PackageError, OSError, UnicodeError, struct.error) as error:
        sys.stderr.write("msi_embed_transforms: %s: %s\n" % (source, error))
        return 1
    with open(target, "wb") as f:
        f.write(blob)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
