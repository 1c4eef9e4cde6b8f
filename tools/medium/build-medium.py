#!/usr/bin/env python3
"""Builds a distribution medium: a folder with Setup.exe and the map container
Map.maptl (the map image, then the program archive).

  build-medium.py build --tree FOLDER --image IMAGE --setup SETUP.EXE --out MEDIUM
  build-medium.py build --archive ARCHIVE.zip --image IMAGE --setup SETUP.EXE --out MEDIUM
  build-medium.py plan MEDIUM/Map.maptl|ARCHIVE.zip [--without-bde]

FOLDER holds the archive's top-level folders (Program, Help, Legend, DataBase,
Icons, MapImage, BDE). With --archive a ready ZIP archive is checked and used
instead. IMAGE must be exactly 174236370 bytes. The build refuses files the
installer could not install and warns about files that would replace each
other in the install folder. "plan" prints the files an installation makes of
a medium's archive: installed path, size, CRC-32, member.

Exit status: 0 built or planned (warnings on stderr), 1 refused (also a "plan"
of something that is no container with an archive and no ZIP archive), 2 usage
or input/output error."""

import argparse
import os
import shutil
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import medium_rules as rules  # noqa: E402


class Refused(Exception):
    pass


def tree_files(tree):
    """(stored name, path) of every file below tree, grouped by archive folder
    in the installer's order, sorted within each, so that the archive's order
    (and with it which of two same-named files wins) is the same on every
    build."""
    found = []
    for root, dirs, files in os.walk(tree):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(root, f)
            found.append((os.path.relpath(path, tree).replace(os.sep, "/"), path))
    order = {rules.ascii_lower(f): i for i, (f, _, _) in enumerate(rules.FOLDERS)}
    rank = lambda item: order.get(rules.ascii_lower(item[0].split("/", 1)[0]), len(order))
    return sorted(found, key=lambda item: (rank(item), item[0]))


def stamp(path):
    """The member's date: the file's, or SOURCE_DATE_EPOCH (in UTC) for a
    build that must come out the same every time."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    moment = time.gmtime(int(epoch)) if epoch else time.localtime(os.stat(path).st_mtime)
    return max(moment[:6], (1980, 1, 1, 0, 0, 0))


def write_tree_archive(tree, target):
    files = tree_files(tree)
    problems = [f"{name}: {why}" for name, _ in files if (why := rules.name_problem(name))]
    if problems:
        raise Refused("files the installer could not install:\n  " + "\n  ".join(problems))
    with zipfile.ZipFile(target, "w") as archive:
        for name, path in files:
            info = zipfile.ZipInfo(name, stamp(path))
            info.create_system = 0  # attributes as the installer applies them:
            info.external_attr = 0x20  # a plain archived file, never read-only
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    return [name for name, _ in files]


def check_archive(path):
    try:
        archive = zipfile.ZipFile(path)
    except (zipfile.BadZipFile, OSError) as e:
        raise Refused(f"{path}: not a readable ZIP archive ({e})")
    with archive:
        members = rules.archive_names(archive)
        problems = [f"{i.filename}: {why}" for i in members if (why := rules.member_problem(i))]
        if problems:
            raise Refused("members the installer could not install:\n  " + "\n  ".join(problems))
        for i in members:
            if not i.flag_bits & 0x800 and not i.filename.isascii():
                warn(f"{i.filename}: a name without the UTF-8 flag is read in the user's OEM code page")
        bad = archive.testzip()
        if bad:
            raise Refused(f"{path}: member {bad} is damaged")
        return [i.filename for i in members]


def warn(text):
    print("warning: " + text, file=sys.stderr)


def report(names):
    _, replaced = rules.placement(names)
    for path, loser, winner in replaced:
        warn(f"{path} in the install folder: {loser} is replaced by {winner}, which comes later")
    for ref in rules.missing_references(names):
        warn(f"no {ref}: the links, file types or uninstall record will point at a missing file")


def build(args):
    size = os.path.getsize(args.image)
    if size != rules.IMAGE_SIZE:
        raise Refused(f"{args.image} is {size} bytes; the map image must be exactly {rules.IMAGE_SIZE}")
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=args.out) as work:
        archive = os.path.join(work, "program.zip")
        if args.tree:
            names = write_tree_archive(args.tree, archive)
        else:
            names = check_archive(args.archive)
            shutil.copyfile(args.archive, archive)
        report(names)
        container = os.path.join(work, "Map.maptl")
        with open(container, "wb") as out:
            for part in (args.image, archive):
                with open(part, "rb") as source:
                    shutil.copyfileobj(source, out, 1 << 20)
        shutil.copyfile(args.setup, os.path.join(args.out, "Setup.exe"))
        os.replace(container, os.path.join(args.out, "Map.maptl"))
    print(f"{args.out}: Setup.exe, Map.maptl ({len(names)} files in the program archive)")


def plan(args):
    try:
        archive = rules.open_archive(args.medium)
    except zipfile.BadZipFile as e:
        raise Refused(str(e))
    with archive:
        infos = {i.filename: i for i in rules.archive_names(archive)}
    installed, _ = rules.placement(list(infos), with_bde=not args.without_bde)
    for path, name in installed.items():
        i = infos[name]
        print(f"{path}\t{i.file_size}\t{i.CRC:08x}\t{name}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    b = sub.add_parser("build", help="write Setup.exe and Map.maptl into a medium folder")
    source = b.add_mutually_exclusive_group(required=True)
    source.add_argument("--tree", help="folder holding the archive's top-level folders")
    source.add_argument("--archive", help="a ready program archive to check and use")
    b.add_argument("--image", required=True, help="the map image, 174236370 bytes")
    b.add_argument("--setup", required=True, help="the installer, Setup.exe")
    b.add_argument("--out", required=True, help="the medium folder to write")
    p = sub.add_parser("plan", help="list what an installation makes of a medium's archive")
    p.add_argument("medium", help="Map.maptl of a medium, or a program archive")
    p.add_argument("--without-bde", action="store_true", help="without database support")
    args = parser.parse_args()
    try:
        build(args) if args.command == "build" else plan(args)
    except Refused as e:
        print(f"build-medium: refused: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"build-medium: {e}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
