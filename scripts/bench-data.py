#!/usr/bin/env python3
"""Writes the benchmark's source trees, byte for byte the same on every run.

Usage: bench-data.py OUTDIR

  OUTDIR/mixed/   about 60 MB: text, program files, pictures, random bytes
  OUTDIR/big.bin  one file of 170 MB made of the same kinds of content
  OUTDIR/small/   20,000 small text files in 100 folders

Program files are copies of installed binaries chosen by fixed names; pictures
come from ImageMagick with fixed seeds; random bytes from a seeded generator.
"""
import os
import random
import shutil
import subprocess
import sys

BINARIES = ["cmake", "ctest", "cpack", "gdb", "git", "perl", "strace", "Xvfb", "7zz",
            "x86_64-linux-gnu-ld.gold", "i686-w64-mingw32-objdump", "i686-w64-mingw32-as",
            "shellcheck", "cppcheck", "python3.11", "valgrind", "zip", "unzip", "bsdtar"]
BIG_SIZE = 170 * 1000 * 1000


def vocabulary(rng, count=6000):
    syllables = ["ka", "ta", "ri", "mo", "ven", "lor", "sa", "ne", "dri", "ul", "an", "tor",
                 "mi", "gel", "os", "ra", "ti", "bel", "cur", "do", "ex", "fa", "ho", "is"]
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(syllables) for _ in range(rng.randint(1, 4))))
    return sorted(words)


def text(rng, words, size):
    # Zipf-like word frequencies, sentences and paragraphs: compresses like prose.
    weights = [1.0 / (i + 1) for i in range(len(words))]
    out, length = [], 0
    while length < size:
        sentence = rng.choices(words, weights, k=rng.randint(5, 18))
        line = " ".join(sentence).capitalize() + (".\n\n" if rng.random() < 0.1 else ". ")
        out.append(line)
        length += len(line)
    return "".join(out).encode()[:size]


def random_bytes(rng, size):
    return rng.getrandbits(size * 8).to_bytes(size, "little") if size else b""


def picture(path, seed, fmt):
    subprocess.run(["convert", "-seed", str(seed), "-size", "800x600", "plasma:fractal",
                    "-strip", f"{fmt}:{path}"], check=True)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def mixed_tree(root, rng, words):
    for i in range(40):  # about 20 MB of text
        write(f"{root}/text/doc{i:02d}.txt", text(rng, words, 300000 + 10000 * i))
    total = 0
    for name in BINARIES:  # about 20 MB of programs
        src = shutil.which(name) or f"/usr/bin/{name}"
        if os.path.isfile(src) and total < 20_000_000:
            with open(src, "rb") as f:  # at most 2.5 MB each, for variety
                data = f.read()[:min(2_500_000, 20_000_000 - total)]
            write(f"{root}/bin/{name}", data)
            total += len(data)
    os.makedirs(f"{root}/pictures", exist_ok=True)
    for i in range(8):  # about 13 MB of pictures, half raw, half JPEG
        picture(f"{root}/pictures/map{i:02d}.jpg", 100 + i, "jpg")
        picture(f"{root}/pictures/map{i:02d}.bmp", 200 + i, "bmp3")
    for i in range(8):  # 8 MB that does not compress
        write(f"{root}/random/blob{i}.bin", random_bytes(rng, 1_000_000))


def big_file(path, mixed_root):
    # The mixed tree's files back to back, repeated until the size is reached.
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(mixed_root) for f in fs)
    written = 0
    with open(path, "wb") as out:
        while written < BIG_SIZE:
            for name in files:
                with open(name, "rb") as f:
                    data = f.read()[:BIG_SIZE - written]
                out.write(data)
                written += len(data)
                if written >= BIG_SIZE:
                    break


def small_tree(root, rng, words):
    for i in range(20000):
        size = int(rng.lognormvariate(6.5, 1.0)) + 1
        write(f"{root}/d{i % 100:03d}/f{i:05d}.txt", text(rng, words, size))


def main():
    out = sys.argv[1]
    rng = random.Random(20261207)
    words = vocabulary(rng)
    mixed_tree(f"{out}/mixed", rng, words)
    big_file(f"{out}/big.bin", f"{out}/mixed")
    small_tree(f"{out}/small", rng, words)


if __name__ == "__main__":
    main()
