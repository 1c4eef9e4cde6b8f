#!/usr/bin/env python3
"""Compares `zipextract -l` with Python's zipfile, a reader written by others.

For every test archive that zipfile opens, the members zipfile reads from
the central directory must be listed by zipextract with the same name,
method, flags, sizes, CRC, DOS date and time, external attributes and
local header offset. Archives where the two readers differ by design are
named below with the reason.

usage: check_peer.py DATA_DIR ZIPEXTRACT [EMULATOR ...]
"""
import glob
import os
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_manifest import split_rows  # noqa: E402

DIFFERENT = {
    # zipfile adds the length of foreign bytes in front to every offset;
    # the catalogue finds such members by the local-header scan instead.
    "malformed/prefix-and-suffix.zip": "foreign bytes in front",
    "malformed/duplicate-entry.zip": "two central records for one local header",
    # The end records point a few bytes early: zipfile shifts every offset,
    # the catalogue finds the members by the local-header scan.
    "malformed/stored-dd-stale-offsets.zip": "directory offset misses",
    "malformed/stored-dd-nosig-stale-offsets.zip": "directory offset misses",
    "malformed/stored-dd-sizes-differ.zip": "directory offset misses",
    "malformed/stored-dd-contradicts-size.zip": "directory offset misses",
    "malformed/deflate64-fuzz-1.zip": "a ':' in the name splits it",
}


def dos_datetime(info):
    y, mo, d, h, mi, s = info.date_time
    return ((y - 1980) << 25 | mo << 21 | d << 16 | h << 11 | mi << 5 | s // 2)


def peer_rows(path):
    rows = []
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            if info.flag_bits & 0x800:
                name = info.orig_filename
            else:
                name = info.orig_filename.encode("cp437").decode("cp437")
            rows.append((name.replace("/", "\\"), info.compress_type, info.flag_bits,
                         info.compress_size, info.file_size, info.CRC, dos_datetime(info),
                         info.external_attr, info.header_offset))
    return sorted(rows)


def our_rows(command, path):
    run = subprocess.run(command + ["-l", path], capture_output=True, timeout=60)
    rows = []
    for line in split_rows(run.stdout.decode("utf-8", "surrogateescape")):
        f = line.split("\t", 10)
        rows.append((f[10], int(f[1]), int(f[2], 16), int(f[3]), int(f[4]), int(f[5], 16),
                     int(f[6], 16), int(f[7], 16), int(f[9])))
    return run.returncode, sorted(rows)


def main():
    data, command = sys.argv[1], sys.argv[2:]
    compared = failures = 0
    for path in sorted(glob.glob(os.path.join(data, "*", "*.zip"))):
        archive = os.path.relpath(path, data).replace(os.sep, "/")
        if archive in DIFFERENT or archive.startswith("multipart/"):
            continue
        try:
            peer = peer_rows(path)
        except Exception:  # zipfile refuses it: nothing to compare with
            continue
        rc, ours = our_rows(command, path)
        compared += 1
        if rc != 0 or ours != peer:
            failures += 1
            print("%s: exit %d" % (archive, rc))
            for p, o in zip(peer, ours):
                if p != o:
                    print("  zipfile %r\n  listed  %r" % (p, o))
                    break
    print("%d passed, %d failed" % (compared - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
