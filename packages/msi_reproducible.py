#!/usr/bin/env python3
"""Makes a package that wixl wrote the same bytes for the same sources.

wixl stamps each package with the time it ran (the summary information's creation and
last-saved times), a random package code, and the modification time of every file in its
cabinet (which, for the programs built beside the package, is their build time). This tool
rewrites, in place of those:
  - both times: SOURCE_DATE_EPOCH from the environment, else 1980-01-01 00:00:00 UTC (the
    earliest date a cabinet can hold);
  - the package code: a UUID made from a SHA-256 of every other stream of the package, so the
    same contents always get the same code and other contents another one (which is what the
    Windows Installer expects of a package code);
  - every cabinet file's date and time: the same instant.

Usage: msi_reproducible.py INPUT.msi OUTPUT.msi   (INPUT and OUTPUT may be the same file)
"""

import datetime
import hashlib
import os
import struct
import sys
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from msi_embed_transforms import (  # noqa: E402
    PackageError, read_compound_file, write_compound_file)

SUMMARY_STREAM = "\x05SummaryInformation"
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC
# Only a name for the package codes made here, so that they cannot meet another tool's.
PACKAGE_CODE_NAMESPACE = uuid.UUID("6f1d4bb2-3a55-4f1e-9a57-0c2d8b1e9f40")


def source_date():
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", DOS_EPOCH))
    return max(epoch, DOS_EPOCH)


def filetime(epoch):
    return (epoch + 11644473600) * 10_000_000


def rewrite_summary(data, package_code, epoch):
    """The summary stream with the package code and both times replaced, sizes unchanged."""
    data = bytearray(data)
    if len(data) < 48 or struct.unpack_from("<H", data, 0)[0] != 0xFFFE:
        raise PackageError("summary information is not a property set")
    section = struct.unpack_from("<I", data, 44)[0]
    count = struct.unpack_from("<I", data, section + 4)[0]
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        at = section + offset
        vt = struct.unpack_from("<I", data, at)[0]
        if pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM) and vt == VT_FILETIME:
            struct.pack_into("<Q", data, at + 4, filetime(epoch))
        elif pid == PID_REVNUMBER and vt == VT_LPSTR:
            length = struct.unpack_from("<I", data, at + 4)[0]
            text = ("{%s}" % str(package_code).upper()).encode("ascii") + b"\0"
            if length != len(text):
                raise PackageError("the package code is not a GUID string")
            data[at + 8:at + 8 + length] = text
    return bytes(data)


def rewrite_cabinet(data, epoch):
    """A cabinet with every file's date and time set to `epoch` (in UTC, as DOS date/time)."""
    data = bytearray(data)
    files_at, = struct.unpack_from("<I", data, 16)
    files, = struct.unpack_from("<H", data, 28)
    flags, = struct.unpack_from("<H", data, 30)
    if flags & 0x0003:
        raise PackageError("a cabinet of a set (previous or next cabinet) is not expected here")
    when = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc)
    date = ((when.year - 1980) << 9) | (when.month << 5) | when.day
    time = (when.hour << 11) | (when.minute << 5) | (when.second // 2)
    at = files_at
    for _ in range(files):
        struct.pack_into("<HH", data, at + 10, date, time)
        end = data.index(b"\0", at + 16)
        at = end + 1
    return bytes(data)


def streams(storage, prefix=""):
    for child in storage.children:
        if child.kind == 2:
            yield prefix + child.name, child
        else:
            yield from streams(child, prefix + child.name + "/")


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, target = argv[1], argv[2]
    epoch = source_date()
    try:
        with open(source, "rb") as f:
            root = read_compound_file(f.read())
        summary = None
        for name, entry in streams(root):
            if name == SUMMARY_STREAM:
                summary = entry
            elif entry.data[:4] == b"MSCF":
                entry.data = rewrite_cabinet(entry.data, epoch)
        if summary is None:
            raise PackageError("no summary information")
        contents = hashlib.sha256()
        for name, entry in sorted(streams(root), key=lambda item: item[0]):
            if entry is not summary:
                contents.update(name.encode("utf-8", "surrogatepass") + b"\0")
                contents.update(struct.pack("<Q", len(entry.data)) + entry.data)
        code = uuid.uuid5(PACKAGE_CODE_NAMESPACE, contents.hexdigest())
        summary.data = rewrite_summary(summary.data, code, epoch)
        blob = write_compound_file(root)
    except (PackageError, OSError, ValueError, struct.error) as error:
        sys.stderr.write("msi_reproducible: %s: %s\n" % (source, error))
        return 1
    temporary = target + ".tmp"
    with open(temporary, "wb") as f:
        f.write(blob)
    os.replace(temporary, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
