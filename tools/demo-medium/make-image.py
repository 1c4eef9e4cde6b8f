#!/usr/bin/env python3
"""Writes the demo map image: exactly 174236370 bytes, the same on every run.
A 64-byte header the demo viewer reads (magic, sheet size, seed of its
drawing), then numbered 1 MiB blocks, each a different rotation of one
pseudo-random block, so that a byte out of place anywhere shows.
make-image.py OUTPUT"""

import os
import random
import struct
import sys

SIZE = 174236370
BLOCK = 1 << 20
MAGIC = b"TLMAP\x1a\x01\x00"
SEED = 2024


def header():
    title = "Карта Тальмирской области 2.0".encode("utf-8")
    head = MAGIC + struct.pack("<IIII", 1600, 1200, SEED, SIZE) + title
    return head.ljust(64, b"\0")[:64]


def main():
    base = random.Random(SEED).randbytes(BLOCK)
    temp = sys.argv[1] + ".part"
    with open(temp, "wb") as out:
        out.write(header())
        written, index = 64, 0
        while written < SIZE:
            shift = (index * 7919) % BLOCK
            block = struct.pack("<8sQ", b"TLMAPBLK", index) + base[shift:] + base[:shift]
            block = block[: min(BLOCK, SIZE - written)]
            out.write(block)
            written += len(block)
            index += 1
    os.replace(temp, sys.argv[1])


if __name__ == "__main__":
    main()
