#!/usr/bin/env python3
"""Builds a large archive of one legacy method from a small one, byte for byte
the same on every run, so that a benchmark measures decoding rather than
process start-up.

Usage: bench-legacy.py SOURCE.zip METHODS COPIES OUT.zip

Every member of SOURCE.zip whose method is in METHODS (comma-separated
numbers, e.g. "2,3,4,5") is copied COPIES times under distinct names
("0001-NAME" ...): local header and compressed data as they are (the name
replaced, the extra field dropped), then a new central directory and end
record. Nothing here compresses; no tool of this system writes these methods.
"""
import struct
import sys

LOCAL = struct.Struct("<IHHHHHIIIHH")        # 30 bytes, signature 0x04034b50
CENTRAL = struct.Struct("<IHHHHHHIIIHHHHHII")  # 46 bytes, signature 0x02014b50
END = struct.Struct("<IHHHHIIH")             # 22 bytes, signature 0x06054b50


def members(archive):
    """(central fields, name, local header fields, compressed data) per member."""
    end_at = archive.rindex(b"PK\x05\x06")
    _, _, _, _, count, _, directory, _ = END.unpack_from(archive, end_at)
    at = directory
    for _ in range(count):
        central = CENTRAL.unpack_from(archive, at)
        name_length, extra_length, comment_length = central[10:13]
        name = archive[at + 46:at + 46 + name_length]
        at += 46 + name_length + extra_length + comment_length
        offset = central[16]
        local = LOCAL.unpack_from(archive, offset)
        if local[0] != 0x04034B50:
            raise SystemExit("no local header at %d" % offset)
        if local[2] & 0x0008:
            raise SystemExit("members with data descriptors are not supported")
        data_at = offset + 30 + local[9] + local[10]
        yield central, name, local, archive[data_at:data_at + central[8]]


def build(source, methods, copies):
    chosen = [m for m in members(source) if m[0][4] in methods]
    if not chosen:
        raise SystemExit("no member with method %s" % sorted(methods))
    body, directory, count = bytearray(), bytearray(), 0
    for copy in range(1, copies + 1):
        for central, name, local, data in chosen:
            new_name = b"%04d-" % copy + name
            offset = len(body)
            fields = list(local)
            fields[9], fields[10] = len(new_name), 0
            body += LOCAL.pack(*fields) + new_name + data
            fields = list(central)
            fields[10], fields[11], fields[12], fields[16] = len(new_name), 0, 0, offset
            directory += CENTRAL.pack(*fields) + new_name
            count += 1
    if count > 0xFFFF or len(body) + len(directory) > 0xFFFFFFFF:
        raise SystemExit("too large for an archive without ZIP64 records")
    end = END.pack(0x06054B50, 0, 0, count, count, len(directory), len(body), 0)
    return bytes(body + directory + end)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    source, methods, copies, out = sys.argv[1:]
    with open(source, "rb") as f:
        archive = f.read()
    result = build(archive, {int(m) for m in methods.split(",")}, int(copies))
    with open(out, "wb") as f:
        f.write(result)


if __name__ == "__main__":
    main()
