#!/usr/bin/env python3
"""Compares `zipextract -l` with the manifest of the test archives.

The manifest was taken from the archives' central directories by another
tool; for every archive it lists each member's name, method, flags, sizes and
CRC. zipextract must list the same members with the same values, in
physical order (ByNone). Archives the manifest lists with member "-" have
nothing listable: zipextract may list nothing or end with an error line.

usage: check_manifest.py DATA_DIR ZIPEXTRACT [EMULATOR ...]
"""
import csv
import os
import re
import subprocess
import sys


# Archives whose listing differs from the manifest on purpose, and why. For
# them only a clean outcome is checked.
DEVIATIONS = {
    "malformed/duplicate-entry.zip":
        "two central records for one local header: an EListError naming both",
    "malformed/stored-dd-nosig-stale-offsets.zip":
        "directory missed; the scan cannot find a 12-byte descriptor behind local size 0",
    "malformed/stored-dd-sizes-differ.zip":
        "directory missed; the descriptor's size does not match the data, the scan ends",
    "malformed/stored-dd-contradicts-size.zip":
        "directory missed; the descriptor's size does not match the data, the scan ends",
    "malformed/fuzz-reduce-bomb.zip":
        "the only local header is cut short inside its extra field: no member",
    "malformed/fuzz-local-only-3.zip":
        "a streamed member's local size points past the end: local values stand, and it fails",
    "malformed/deflate64-fuzz-1.zip":
        "a ':' in the name splits it, and the directory part gets its '\\'",
    "malformed/fuzz-garbage-name.zip":
        "a ':' in the name splits it, and the directory part gets its '\\'",
}


def manifest_name(name):
    # Control characters are written as \xNN in the manifest.
    name = re.sub(r"\\x([0-9a-fA-F]{2})", lambda m: chr(int(m.group(1), 16)), name)
    return name.replace("/", "\\")


def load_manifest(path):
    archives = {}
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE):
            archives.setdefault(row["archive"], []).append(row)
    return archives


ROW = re.compile(r"^\d+\t\d+\t[0-9a-f]{4}\t")


def split_rows(text):
    # A name may hold a line end: a line that does not start a row continues
    # the name of the row before.
    lines = []
    for line in text.split("\n")[:-1]:
        if ROW.match(line) or not lines:
            lines.append(line)
        else:
            lines[-1] += "\n" + line
    return lines


def listing(command, archive, options):
    run = subprocess.run(command + ["-l"] + options + [archive], capture_output=True, timeout=60)
    rows = []
    for line in split_rows(run.stdout.decode("utf-8", "surrogateescape")):
        f = line.split("\t", 10)
        rows.append({"method": int(f[1]), "flags": f[2], "csize": int(f[3]),
                     "usize": int(f[4]), "crc": f[5], "name": f[10]})
    return run.returncode, rows, run.stderr.decode("utf-8", "replace")


def check(archive, expected, rc, rows, err):
    if expected[0]["member"] == "-" or archive in DEVIATIONS:
        # Nothing listable for the peers; the local-header scan may still
        # find members. Either way: a listing, or one error line.
        if rc != 0 and (rc != 2 or rows or len(err.splitlines()) != 1):
            return ["exit %d with %d rows: %s" % (rc, len(rows), err.strip())]
        return []
    if rc != 0:
        return ["exit %d: %s" % (rc, err.strip())]
    problems = []
    if len(rows) != len(expected):
        problems.append("%d members listed, manifest has %d" % (len(rows), len(expected)))
    want = sorted((manifest_name(e["member"]), int(e["method"]), e["flags_hex"].lower(),
                   int(e["compressed_size"]), int(e["uncompressed_size"]),
                   e["crc32_hex"].lower()) for e in expected)
    got = sorted((r["name"], r["method"], r["flags"], r["csize"], r["usize"], r["crc"])
                 for r in rows)
    for w, g in zip(want, got):
        if w != g:
            problems.append("manifest %r, listed %r" % (w, g))
    return problems


def main():
    data, command = sys.argv[1], sys.argv[2:]
    manifest = load_manifest(os.path.join(data, "MANIFEST.tsv"))
    failures = 0
    for archive, expected in sorted(manifest.items()):
        # Members the manifest took from local headers need the scan.
        scan = "no usable end record" in expected[0]["note"]
        options = ["--assume-bad"] if scan else []
        rc, rows, err = listing(command, os.path.join(data, archive), options)
        for problem in check(archive, expected, rc, rows, err):
            print("%s: %s" % (archive, problem))
            failures += 1
    print("%d passed, %d failed" % (len(manifest) - min(failures, len(manifest)), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
