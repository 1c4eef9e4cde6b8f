#!/usr/bin/env python3
"""Writes the distribution media of the installation end-to-end test.

  install_media.py OUT SETUP.EXE BUILD-MEDIUM.PY

The map image is sparse: holes with a stamp (its own offset) at the start of
every 64 KiB, so that it costs almost nothing on disk, yet a byte copied to
the wrong place changes its CRC. Media the medium builder accepts are built
with it; the others, which it rightly refuses, are put together here:

  good/     members that test the placement rules (sub-folders, names without
            "." after the folder, other letter case, later member wins,
            UTF-8 names, no Legend folder)
  fill/     the builder's medium of a small tree (for the disk that fills)
  nomap/    Setup.exe alone
  exact/    a container of exactly the image's size: no archive
  damaged/  the archive cut short
  badcrc/   a Help member whose data does not match its CRC
  badbde/   the same in the database-support folder

For each medium with an archive, OUT/<medium>.plan and .plan-nobde hold the
builder's plan (installed path, size, CRC) and OUT/image.crc the image's CRC."""

import io
import os
import random
import shutil
import subprocess
import sys
import zipfile
import zlib

IMAGE_SIZE = 174236370
STAMP_EVERY = 1 << 16
DATE = (2025, 1, 1, 12, 0, 0)


def stamp_image(f):
    """Writes the image into the open file: its size in holes, then stamps."""
    f.truncate(IMAGE_SIZE)
    for offset in range(0, IMAGE_SIZE - 16, STAMP_EVERY):
        f.seek(offset)
        f.write(b"TLMAP" + offset.to_bytes(8, "little") + b"\xa5\x5a\xff")


def write_image(path):
    with open(path, "wb") as f:
        stamp_image(f)
    crc = 0
    with open(path, "rb") as f:
        while chunk := f.read(1 << 22):
            crc = zlib.crc32(chunk, crc)
    return crc


def member_bytes(name):
    seed = zlib.crc32(name.encode("utf-8"))
    return bytes((seed + i * 131) % 251 for i in range(300 + seed % 2000))


# (stored name, stored instead of deflated, content override)
GOOD = [
    ("Program/Map.exe", False, None),
    ("Program/Map.ini", False, b"[Map]\r\nImage=Map.maptl\r\n"),
    ("Program/Info.txt", True, b"from Program"),
    ("Program/Tools/Helper.dll", False, None),
    ("Program/README", True, b"no dot after the folder: never installed"),
    ("Program/a/Same.txt", False, b"the earlier one"),
    ("Program/b/Same.txt", False, b"the later one wins"),
    ("program/lower.dat", False, None),
    ("PROGRAM/Upper.TXT", True, None),
    ("Help/", True, b""),
    ("Help/Help.htm", False, "<html><body>Справка</body></html>".encode("utf-8")),
    ("Help/img/pic.png", True, None),
    ("DataBase/Объекты.maptldb", False, None),
    ("DataBase/Samples/Roads.maptldb", False, None),
    ("Icons/maptl.ico", True, None),
    ("Icons/maptldb.ico", True, None),
    ("MapImage/Map.inf", False, None),
    ("MapImage/Info.txt", True, b"from MapImage: later than Program's"),
    ("BDE/dbsupport.cfg", False, None),
    ("BDE/Drivers/dbdrivers.ini", False, None),
    ("Other/outside.txt", False, None),
]


def archive(members, damage=None):
    """The archive's bytes; `damage` names a stored member whose first data
    byte is flipped after its CRC was taken."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name, stored, content in members:
            info = zipfile.ZipInfo(name, DATE)
            info.compress_type = zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED
            data = member_bytes(name) if content is None else content
            if name == damage:
                info.compress_type = zipfile.ZIP_STORED
                data = data or b"x"
            z.writestr(info, data)
    data = bytearray(buffer.getvalue())
    if damage:
        with zipfile.ZipFile(io.BytesIO(bytes(data))) as z:
            info = z.getinfo(damage)
        start = info.header_offset + 30 + len(info.filename.encode("utf-8")) + len(info.extra)
        data[start] ^= 0xFF
    return bytes(data)


def container(folder, setup, body):
    """A medium by hand: Setup.exe and a container with the sparse image
    followed by `body` (no container at all when `body` is None)."""
    os.makedirs(folder, exist_ok=True)
    shutil.copyfile(setup, os.path.join(folder, "Setup.exe"))
    if body is None:
        return
    with open(os.path.join(folder, "Map.maptl"), "wb") as f:
        stamp_image(f)
        f.seek(IMAGE_SIZE)
        f.write(body)


def plan(builder, target, out):
    for suffix, extra in (("plan", []), ("plan-nobde", ["--without-bde"])):
        listing = subprocess.run([sys.executable, builder, "plan", target, *extra],
                                 check=True, capture_output=True).stdout
        with open(out + "." + suffix, "wb") as f:
            f.write(listing)


def fill_tree(tree):
    shutil.rmtree(tree, ignore_errors=True)
    for name, _, content in GOOD:
        if name.endswith("/") or name.startswith(("Other", "program", "PROGRAM")) or "README" in name:
            continue
        path = os.path.join(tree, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(member_bytes(name) if content is None else content)
    # Map tiles that do not compress: a reinstallation over a working one then
    # needs more room than the free-space check asks for.
    tiles = os.path.join(tree, "MapImage", "tiles.bin")
    os.makedirs(os.path.dirname(tiles), exist_ok=True)
    with open(tiles, "wb") as f:
        f.write(random.Random(1).randbytes(24 << 20))


def main():
    out, setup, builder = sys.argv[1:4]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    image = os.path.join(out, "image.bin")
    with open(os.path.join(out, "image.crc"), "w") as f:
        f.write(f"{write_image(image):08x}\n")

    good = archive(GOOD)
    container(os.path.join(out, "good"), setup, good)
    plan(builder, os.path.join(out, "good", "Map.maptl"), os.path.join(out, "good"))

    fill_tree(os.path.join(out, "tree"))
    env = dict(os.environ, SOURCE_DATE_EPOCH="1735732800")
    subprocess.run([sys.executable, builder, "build", "--tree", os.path.join(out, "tree"),
                    "--image", image, "--setup", setup, "--out", os.path.join(out, "fill")],
                   check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    plan(builder, os.path.join(out, "fill", "Map.maptl"), os.path.join(out, "fill"))

    container(os.path.join(out, "nomap"), setup, None)
    container(os.path.join(out, "exact"), setup, b"")
    container(os.path.join(out, "damaged"), setup, good[: len(good) // 2])
    container(os.path.join(out, "badcrc"), setup, archive(GOOD, damage="Help/img/pic.png"))
    container(os.path.join(out, "badbde"), setup, archive(GOOD, damage="BDE/dbsupport.cfg"))
    os.remove(image)


if __name__ == "__main__":
    main()
