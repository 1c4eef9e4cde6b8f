#!/usr/bin/env python3
"""Members of 2 GiB and more, end to end through the zipextract program.

Writes archives with members of 2 GiB + 1, 4 GiB - 1, 4 GiB + 1 and 5 GiB
into WORK_DIR (Python's zipfile, stored and deflated, with ZIP64 extra fields
and end records; Debian's zip through a pipe, with ZIP64 data descriptors,
when it is installed), then checks that zipextract lists them as zipfile
reads them, orders them by every size mode, tests them, extracts one, names
a member whose data was spoilt, and finds them by their local headers when
the central directory is cut off. The content is highly compressible (each
MiB holds its own number, then zeros), the stored archive is written sparse
and the deflate stream comes from an encoder made for that content, so the
run stays short; WORK_DIR is removed at the end.

usage: big_members.py WORK_DIR [EMULATOR ...] ZIPEXTRACT
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_peer import our_rows, peer_rows  # noqa: E402

MiB = 1 << 20
GiB = 1 << 30
SIZES = {"a/2g+1.bin": 2 * GiB + 1, "b/4g-1.bin": 4 * GiB - 1, "c/4g+1.bin": 4 * GiB + 1,
         "d/5g.bin": 5 * GiB}
SMALL = ("e/small.txt", b"after the big members: its offset needs ZIP64\n")
ZERO = bytes(MiB)

failures = []


STARTED = time.monotonic()


def check(ok, what):
    print("%s %s (%.0f s)" % ("PASS" if ok else "FAIL", what, time.monotonic() - STARTED),
          flush=True)
    if not ok:
        failures.append(what)


def chunks(size):
    """The content: MiB number i holds i (8 bytes, little-endian), then zeros."""
    for i in range((size + MiB - 1) // MiB):
        chunk = struct.pack("<Q", i) + ZERO[8:]
        yield chunk[:min(MiB, size - i * MiB)]


def reversed_bits(code, length):
    return int(format(code, "0%db" % length)[::-1], 2)


def fixed_literal(byte):
    """A literal of the fixed Huffman code: (bits LSB first, count)."""
    if byte < 144:
        return reversed_bits(0x30 + byte, 8), 8
    return reversed_bits(0x190 + byte - 144, 9), 9


# Length codes 257..284: (first length, extra bits).
LENGTH_CODES = [(3, 0), (4, 0), (5, 0), (6, 0), (7, 0), (8, 0), (9, 0), (10, 0), (11, 1), (13, 1),
                (15, 1), (17, 1), (19, 2), (23, 2), (27, 2), (31, 2), (35, 3), (43, 3), (51, 3),
                (59, 3), (67, 4), (83, 4), (99, 4), (115, 4), (131, 5), (163, 5), (195, 5),
                (227, 5)]


def fixed_match(length):
    """A match of length at distance 1 in the fixed code: (bits, count)."""
    if length == 258:
        code, extra, extra_bits = 285, 0, 0
    else:
        index = max(i for i, (first, _) in enumerate(LENGTH_CODES) if first <= length)
        code, extra, extra_bits = 257 + index, length - LENGTH_CODES[index][0], LENGTH_CODES[index][1]
    if code < 280:
        bits, count = reversed_bits(code - 256, 7), 7
    else:
        bits, count = reversed_bits(0xC0 + code - 280, 8), 8
    bits |= extra << count
    count += extra_bits
    return bits, count + 5  # distance code 0 (distance 1): five zero bits


class ChunkDeflater:
    """A deflate encoder for the content of chunks() only (a few literals,
    then zeros), standing in for zlib behind zipfile: zlib needs minutes for
    15 GiB. Each chunk is one fixed-code block (its number as literals, one
    zero, then matches at distance 1) followed by an empty stored block, so
    that every chunk's bits start on a byte."""

    MATCH = fixed_match(258)
    ALIGN_TAIL = b"\x00\x00\xff\xff"

    def compress(self, chunk):
        bits, count = 0b010, 3  # BFINAL 0, fixed codes
        for byte in chunk[:9]:
            b, n = fixed_literal(byte)
            bits |= b << count
            count += n
        rest = len(chunk) - 9
        if rest > 0:
            full, tail = divmod(rest, 258)
            b, n = self.MATCH
            # full copies of the same n bits, end to end
            bits |= (b * ((1 << n * full) - 1) // ((1 << n) - 1)) << count
            count += n * full
            pieces = [fixed_match(tail)] if tail >= 3 else [fixed_literal(0)] * tail
            for b, n in pieces:
                bits |= b << count
                count += n
        count += 7  # end of block (code 256: seven zero bits)
        count += 3  # BFINAL 0, stored; then aligned to the byte
        data = bits.to_bytes((count + 7) // 8, "little")
        return data + self.ALIGN_TAIL

    def flush(self):
        return b"\x03\x00"  # a final fixed block holding only its end code


class SparseFile:
    """A file that skips the zero tails of large writes, leaving holes."""

    def __init__(self, path):
        self.f = open(path, "wb")

    def write(self, data):
        n = len(data)
        if n > 2 * 4096 and data[4096:] == ZERO[:n - 4096]:
            self.f.write(data[:4096])
            self.f.seek(n - 4096, 1)
        else:
            self.f.write(data)
        return n

    def tell(self):
        return self.f.tell()

    def seek(self, offset, whence=0):
        return self.f.seek(offset, whence)

    def seekable(self):
        return True

    def flush(self):
        self.f.flush()

    def close(self):
        self.f.truncate(self.f.tell())
        self.f.close()


def write_python(path, method):
    out = SparseFile(path)
    plain = zipfile._get_compressor
    zipfile._get_compressor = lambda kind, level=None: (
        ChunkDeflater() if kind == zipfile.ZIP_DEFLATED else plain(kind, level))
    try:
        write_members(out, method)
    finally:
        zipfile._get_compressor = plain
    out.close()


def write_members(out, method):
    with zipfile.ZipFile(out, "w", method) as z:
        for name, size in SIZES.items():
            info = zipfile.ZipInfo(name, (2025, 4, 12, 13, 32, 0))
            info.compress_type = method
            info.file_size = size  # announces ZIP64 before the data
            with z.open(info, "w") as member:
                for chunk in chunks(size):
                    member.write(chunk)
        small = zipfile.ZipInfo(SMALL[0], (2025, 4, 12, 13, 32, 0))
        z.writestr(small, SMALL[1], zipfile.ZIP_STORED)


def write_zip_pipe(work, path):
    """Debian's zip writing to a pipe: sizes in ZIP64 data descriptors."""
    source = os.path.join(work, "src")
    os.makedirs(source)
    name = "a/2g+1.bin"
    os.makedirs(os.path.join(source, "a"))
    with open(os.path.join(source, name), "wb") as f:
        for i in range((SIZES[name] + MiB - 1) // MiB):
            f.seek(i * MiB)
            f.write(struct.pack("<Q", i)[:SIZES[name] - i * MiB])
        f.truncate(SIZES[name])
    os.utime(os.path.join(source, name), (1744464720, 1744464720))
    with open(path, "wb") as out:
        subprocess.run(["zip", "-1", "-q", "-", name], cwd=source, stdout=out, check=True)
    shutil.rmtree(source)


def write_streamed(path):
    """Members of 4 GiB + 1 streamed with ZIP64 descriptors but no ZIP64 extra
    field, the local header holding no size, then the low 32 bits of it; a
    small member; no central directory. Returns the rows -l must give."""
    size, crc, rows, out = 4 * GiB + 1, 0, [], SparseFile(path)
    for chunk in chunks(size):
        crc = zlib.crc32(chunk, crc)
    for name, local in (("f/streamed.bin", 0), ("g/low-half.bin", 1), (SMALL[0], None)):
        data = SMALL[1] if local is None else b""
        flags, sizes = (0, (zlib.crc32(data), len(data), len(data))) if data else (8, (0, local, local))
        out.write(struct.pack("<IHHHIIIIHH", 0x04034B50, 45, flags, 0, 0x5A8C6C00, *sizes,
                              len(name), 0) + name.encode() + data)
        if not data:
            for chunk in chunks(size):
                out.write(chunk)
            out.write(struct.pack("<IIQQ", 0x08074B50, crc, size, size))
        rows.append((name.replace("/", "\\"), len(data) or size, len(data) or size,
                     zlib.crc32(data) if data else crc))
    out.close()
    return rows


def check_streamed_scan(command, work):
    """No member is lost to the scan past a streamed member of 4 GiB."""
    path = os.path.join(work, "streamed.zip")
    expected = write_streamed(path)
    r = run(command, "--assume-bad", "-l", path)
    got = [(f[10], int(f[3]), int(f[4]), int(f[5], 16))
           for f in (line.split("\t", 10) for line in r.stdout.decode().splitlines())]
    check(r.returncode == 0 and got == expected, "streamed: the scan finds descriptors past 4 GiB")
    os.remove(path)


def run(command, *args):
    return subprocess.run(command + list(args), capture_output=True, timeout=900)


def percentage(part, whole):
    """The component's rounding: half to even, at most 100, 0 for nothing."""
    if whole == 0:
        return 0
    if part >= whole:
        return 100
    q, r = divmod(part * 100, whole)
    return q + (1 if 2 * r > whole or (2 * r == whole and q % 2) else 0)


def expected_orders(rows):
    """Names in the view order of each size mode, from the peer's rows
    (name, method, flags, compressed, uncompressed, ..., offset)."""
    physical = sorted(rows, key=lambda r: r[8])
    names = lambda rs: [r[0] for r in rs]  # noqa: E731
    rate = lambda r: percentage(r[3], r[4])  # noqa: E731
    return {
        "ByCompressedSize": names(sorted(physical, key=lambda r: -r[3])),
        "ByUnCompressedSize": names(sorted(physical, key=lambda r: -r[4])),
        # Equal rates come in reverse physical order.
        "ByRate": names(sorted(reversed(physical), key=lambda r: -rate(r))),
    }


def listed_names(command, path, mode):
    out = run(command, "-l", "--sort", mode, path).stdout.decode("utf-8", "surrogateescape")
    return [line.split("\t", 10)[10] for line in out.splitlines()]


def check_catalogue(command, label, path):
    peer = peer_rows(path)
    rc, ours = our_rows(command, path)
    check(rc == 0 and ours == peer, label + ": listing agrees with zipfile")
    for mode, names in expected_orders(peer).items():
        check(listed_names(command, path, mode) == names, label + ": order " + mode)
    return peer


def check_scan(command, label, path, peer):
    """Cut before its central directory, the archive is read by walking the
    local headers: the same sizes and CRCs. (Spoils the archive.)"""
    with zipfile.ZipFile(path) as z:
        start = z.start_dir
    os.truncate(path, start)
    rc, scanned = our_rows(command + ["--assume-bad"], path)
    check(rc == 0 and sorted(r[3:6] for r in scanned) == sorted(r[3:6] for r in peer),
          label + ": sizes and CRCs of the local-header scan")


def check_test(command, label, path, members):
    r = run(command, "-t", path)
    summary = "zipextract: %d of %d members tested OK" % (members, members)
    check(r.returncode == 0 and summary in r.stderr.decode(), label + ": every member tests OK")


def check_content(path, size):
    """The extracted file has the size, and MiB blocks where they belong."""
    if os.path.getsize(path) != size:
        return False
    last = (size - 1) // MiB
    with open(path, "rb") as f:
        for i in (0, 2047, 2048, 4095, 4096, last):
            if i > last:
                continue
            f.seek(i * MiB)
            if f.read(8)[:size - i * MiB] != struct.pack("<Q", i)[:size - i * MiB]:
                return False
    return True


def check_extract(command, label, path, name, work):
    dest = os.path.join(work, "out")
    r = run(command, "-q", "-d", dest, path, name.replace("/", "\\"))
    got = os.path.join(dest, os.path.basename(name))
    ok = r.returncode == 0 and r.stderr == b"" and check_content(got, SIZES[name])
    check(ok, label + ": extracts " + name)
    if not ok:
        print("  exit status %d, standard error: %r" % (r.returncode, r.stderr[:2000]), flush=True)
    shutil.rmtree(dest, ignore_errors=True)


def check_events(command, label, path):
    r = run(command, "-t", "--events", path, "a\\*")
    lines = r.stdout.decode().splitlines()
    check(r.returncode == 0 and lines[0] == "OnStartUnZipInfo NumFiles=1 TotalBytes=2147483649"
          and lines[-2] == "OnTotalPercentDone Percent=100" and lines[-1].startswith("OnEndUnZip"),
          label + ": events count the bytes past 2 GiB")


def spoil(path, name, offset):
    """Changes one byte of a stored member's data."""
    with zipfile.ZipFile(path) as z:
        info = z.getinfo(name)
    with open(path, "r+b") as f:
        f.seek(info.header_offset + 26)
        name_length, extra_length = struct.unpack("<HH", f.read(4))
        f.seek(info.header_offset + 30 + name_length + extra_length + offset)
        f.write(b"\x01")


def stderr_on_terminal(command):
    """Runs command with standard error on a pseudo-terminal; its text, with
    the terminal's line ends made plain again."""
    import pty
    leader, follower = pty.openpty()
    r = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=follower, timeout=900)
    os.close(follower)
    shown = b""
    while True:
        try:
            block = os.read(leader, 65536)
        except OSError:
            break
        if not block:
            break
        shown += block
    os.close(leader)
    return r.returncode, shown.decode("utf-8", "replace").replace("\r\n", "\n")


def check_spoilt_and_progress(command, label, path, native):
    """A byte spoilt near the end of the 4 GiB - 1 member is found by its CRC
    (the member after it, at an offset past 4 GiB, passes); natively, with
    standard error on a terminal, a progress line is drawn and wiped, and
    the error stands on a line of its own."""
    spoil(path, "b/4g-1.bin", 4 * GiB - 100)
    args = ["-t", path, "b\\*", "e\\*"]
    if native:
        status, err = stderr_on_terminal(command + args)
    else:
        r = run(command, *args)
        status, err = r.returncode, r.stderr.decode()
    summary = "zipextract: 1 of 2 members tested OK, %d bytes checked\n" % len(SMALL[1])
    check(status == 1 and err.count("bad CRC") == 1 and
          re.search(r"(^|\r)zipextract: b\\4g-1\.bin: bad CRC [0-9a-f]{8} \(stored [0-9a-f]{8}\)\n",
                    err) is not None and err.rsplit("\r", 1)[-1].endswith(summary),
          label + ": a spoilt byte near 4 GiB fails the test of its member only")
    if native:
        check("% " in err and " of 4.0 GiB " in err and err.count("\r") >= 3,
              label + ": progress line drawn and wiped")


def main():
    work, command = sys.argv[1], sys.argv[2:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    native = len(command) == 1
    try:
        stored = os.path.join(work, "py-stored.zip")
        write_python(stored, zipfile.ZIP_STORED)
        peer = check_catalogue(command, "py stored", stored)
        check_spoilt_and_progress(command, "py stored", stored, native)
        check_scan(command, "py stored", stored, peer)
        os.remove(stored)

        sample = b"".join(chunks(2 * MiB + 300))
        encoded = b"".join(ChunkDeflater().compress(c) for c in chunks(len(sample)))
        check(zlib.decompress(encoded + ChunkDeflater().flush(), -15) == sample,
              "the deflate encoder's output inflates with zlib")
        deflated = os.path.join(work, "py-deflated.zip")
        write_python(deflated, zipfile.ZIP_DEFLATED)
        peer = check_catalogue(command, "py deflated", deflated)
        check_test(command, "py deflated", deflated, 5)
        check_extract(command, "py deflated", deflated, "c/4g+1.bin", work)
        check_events(command, "py deflated", deflated)
        check_scan(command, "py deflated", deflated, peer)
        os.remove(deflated)

        check_streamed_scan(command, work)

        if shutil.which("zip"):
            piped = os.path.join(work, "zip-pipe.zip")
            write_zip_pipe(work, piped)
            peer = check_catalogue(command, "zip pipe", piped)
            check_test(command, "zip pipe", piped, 1)
            check_scan(command, "zip pipe", piped, peer)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
