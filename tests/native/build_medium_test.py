#!/usr/bin/env python3
"""The medium builder: what it writes, what it refuses, and that its account
of an installation matches what the archive component does with the archive.
Usage: build_medium_test.py ZIPEXTRACT"""

import hashlib
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILDER = os.path.join(ROOT, "tools", "medium", "build-medium.py")
ZIPEXTRACT = None
IMAGE_SIZE = 174236370
PATTERNS = [("Program", ""), ("Help", "Docs/Help"), ("Legend", "Docs/Legend"),
            ("DataBase", "DataBase"), ("Icons", "Icons"), ("MapImage", ""), ("BDE", "")]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def sparse_image(path, size=IMAGE_SIZE):
    """An image of the given size with marked first and last bytes."""
    with open(path, "wb") as f:
        f.write(b"first")
        f.seek(size - 4)
        f.write(b"last")


def digest(path, limit=None):
    h, left = hashlib.sha256(), limit
    with open(path, "rb") as f:
        while left is None or left > 0:
            block = f.read(1 << 20 if left is None else min(1 << 20, left))
            if not block:
                break
            h.update(block)
            left = None if left is None else left - len(block)
    return h.hexdigest()


def run(*args):
    return subprocess.run([sys.executable, BUILDER, *args], capture_output=True, text=True)


class Medium(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.tmp = self.dir.name
        self.tree = os.path.join(self.tmp, "tree")
        self.image = os.path.join(self.tmp, "image")
        self.setup_exe = os.path.join(self.tmp, "Setup.exe")
        self.out = os.path.join(self.tmp, "medium")
        write(self.setup_exe, b"MZ stand-in installer")
        sparse_image(self.image)

    def tearDown(self):
        self.dir.cleanup()

    def build(self, *extra):
        return run("build", *extra, "--image", self.image, "--setup", self.setup_exe,
                   "--out", self.out)

    def test_medium_installs_as_its_plan_says(self):
        files = {
            "Program/Map.exe": "viewer", "Program/Tools/x.dll": "tool one",
            "program/lower.txt": "other letter case", "Program/Notes.v1/NOTES": "dot above",
            "Help/Help.htm": "<html>Справка</html>", "Help/Ещё/Раздел.htm": "вложенная",
            "DataBase/a/objects.db": "first", "DataBase/b/objects.db": "second",
            "Icons/maptl.ico": "i1", "Icons/maptldb.ico": "i2", "MapImage/Map.inf": "inf",
            "BDE/x.dll": "replaces the tool", "Legend/empty.bmp": "",
        }
        for name, data in files.items():
            write(os.path.join(self.tree, name), data)
        result = self.build("--tree", self.tree)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("DataBase\\objects.db in the install folder: DataBase/a/objects.db is "
                      "replaced by DataBase/b/objects.db", result.stderr)
        self.assertIn("x.dll in the install folder: Program/Tools/x.dll is replaced by BDE/x.dll",
                      result.stderr)
        self.assertNotIn("no Icons", result.stderr)

        container = os.path.join(self.out, "Map.maptl")
        self.assertEqual(digest(os.path.join(self.out, "Setup.exe")), digest(self.setup_exe))
        self.assertEqual(digest(container, IMAGE_SIZE), digest(self.image))
        archive = os.path.join(self.tmp, "temp.zip")
        with open(container, "rb") as f, open(archive, "wb") as a:
            f.seek(IMAGE_SIZE)
            a.write(f.read())

        listing = subprocess.run([ZIPEXTRACT, "-l", archive], capture_output=True, text=True,
                                 check=True).stdout
        names = [line.split("\t")[-1] for line in listing.splitlines()]
        self.assertEqual(sorted(names), sorted(n.replace("/", "\\") for n in files))
        self.assertLess(names.index("Program\\Map.exe"), names.index("BDE\\x.dll"))

        # The installer's extraction, folder by folder, against the plan.
        install = os.path.join(self.tmp, "D")
        for folder, dest in PATTERNS:
            target = os.path.join(install, dest)
            os.makedirs(target, exist_ok=True)
            subprocess.run([ZIPEXTRACT, "-q", "-o", "always", "-d", target, archive,
                            folder + "\\*.*"], check=True)
        got = {}
        for root, _, names_ in os.walk(install):
            for n in names_:
                path = os.path.join(root, n)
                with open(path, "rb") as f:
                    got[os.path.relpath(path, install).replace(os.sep, "\\")] = \
                        f"{zipfile.crc32(f.read()):08x}"
        planned = run("plan", container).stdout.splitlines()
        self.assertEqual(got, {line.split("\t")[0]: line.split("\t")[2] for line in planned})
        self.assertEqual(len(planned), 11)
        without_bde = run("plan", container, "--without-bde").stdout
        self.assertIn("x.dll\t8\t", without_bde)

    def test_refuses_what_the_installer_could_not_install(self):
        rows = [
            ("Program/README", 'nothing after "Program/" has a "."'),
            ("Program/Sub/LICENSE", 'nothing after "Program/" has a "."'),
            ("top.txt", "not inside one of the folders"),
            ("Extras/a.txt", "not inside one of the folders"),
            ("Programs/a.txt", "not inside one of the folders"),
            ("Program/a?b.txt", "character Windows does not allow"),
            ("Legend/CON.bmp", "Windows device name"),
            ("Program/x.", "ends in a space or a dot"),
            ("MapImage/Temp.ZIP", "replace the installer's own Temp.ZIP"),
            ("BDE/Map.maptl", "replace the installer's own Map.maptl"),
        ]
        write(os.path.join(self.tree, "Program/Map.exe"), "viewer")
        write(os.path.join(self.tree, "Help/Map.maptl"), "fine outside the install folder")
        for name, _ in rows:
            write(os.path.join(self.tree, name), "x")
        result = self.build("--tree", self.tree)
        self.assertEqual(result.returncode, 1)
        for name, why in rows:
            self.assertRegex(result.stderr, f"\n  {re.escape(name)}: [^\n]*{re.escape(why)}")
        self.assertNotIn("Map.exe:", result.stderr)
        self.assertNotIn("Help/Map.maptl", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.out, "Map.maptl")))

    def test_refuses_an_image_of_another_size(self):
        write(os.path.join(self.tree, "Program/Map.exe"), "viewer")
        for size in (IMAGE_SIZE - 1, IMAGE_SIZE + 1):
            sparse_image(self.image, size)
            result = self.build("--tree", self.tree)
            self.assertEqual(result.returncode, 1)
            self.assertIn(f"is {size} bytes; the map image must be exactly {IMAGE_SIZE}",
                          result.stderr)
            self.assertFalse(os.path.exists(self.out))

    def test_ready_archive_is_checked_member_by_member(self):
        archive = os.path.join(self.tmp, "ready.zip")
        for name in ("Program/Map.exe", "Program/packed.dll", "Help/secret.txt"):
            write(os.path.join(self.tree, name), "content " * 20)
        for options in (["Program/Map.exe"], ["-Z", "bzip2", "Program/packed.dll"],
                        ["-P", "pw", "Help/secret.txt"]):
            subprocess.run(["zip", "-q", archive, *options], cwd=self.tree, check=True)
        result = self.build("--archive", archive)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("Program/packed.dll: its compression method 12 is not supported",
                      result.stderr)
        self.assertIn("Help/secret.txt: it is encrypted", result.stderr)

        with zipfile.ZipFile(archive, "w") as z:
            z.writestr("Program/Map.exe", "viewer", zipfile.ZIP_DEFLATED)
            z.writestr("BDE/MAP.EXE", "database support", zipfile.ZIP_STORED)
        result = self.build("--archive", archive)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("warning: Map.exe in the install folder: Program/Map.exe is replaced by "
                      "BDE/MAP.EXE", result.stderr)
        with open(os.path.join(self.out, "Map.maptl"), "rb") as f, open(archive, "rb") as a:
            f.seek(IMAGE_SIZE)
            self.assertEqual(f.read(), a.read())

    def test_plan_of_what_is_no_container_says_so_in_one_line(self):
        text, short, tail = (os.path.join(self.tmp, n) for n in ("notes.txt", "short.maptl",
                                                                  "tail.maptl"))
        write(text, "not an archive")
        sparse_image(short)
        sparse_image(tail, IMAGE_SIZE + 100)
        for path, why in ((text, "not a readable ZIP archive"),
                          (short, f"{IMAGE_SIZE} bytes, no program archive after the"),
                          (tail, "after the map image: not a readable ZIP archive")):
            result = run("plan", path)
            self.assertEqual((result.returncode, result.stdout), (1, ""), result.stderr)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn(f"{path}: {why}", result.stderr)


class DemoMedium(unittest.TestCase):
    """The demo medium's sources, built as the Windows build does (with a
    stand-in for Map.exe)."""

    INSTALLED = ["Map.exe", "Map.ini", "Docs\\Help\\Help.htm"] + [
        f"Docs\\Legend\\{n}.png" for n in ("forest", "river", "road", "town", "contour", "swamp")
    ] + ["DataBase\\Towns.maptldb", "DataBase\\Objects.maptldb", "DataBase\\Roads.maptldb",
         "Icons\\maptl.ico", "Icons\\maptldb.ico", "Map.inf",
         "dbsupport.cfg", "dbengine.dat", "dbdrivers.ini"]
    IMAGE_SHA256 = "9399e694116782dae20db6d43825665b8cb786e1472215c7e9048ea7d5f96c6a"

    def test_demo_sources_make_a_clean_medium(self):
        demo = os.path.join(ROOT, "tools", "demo-medium")
        with tempfile.TemporaryDirectory() as tmp:
            viewer, image = os.path.join(tmp, "Map.exe"), os.path.join(tmp, "image")
            write(viewer, b"MZ stand-in viewer")
            for script, args in (("make-icons.py", [os.path.join(tmp, "icons")]),
                                 ("make-image.py", [image]),
                                 ("make-tree.py", ["--viewer", viewer, "--icons",
                                                   os.path.join(tmp, "icons"), "--out",
                                                   os.path.join(tmp, "tree")])):
                subprocess.run([sys.executable, os.path.join(demo, script), *args], check=True)
            self.assertEqual(digest(image), self.IMAGE_SHA256)
            medium = os.path.join(tmp, "medium")
            result = subprocess.run(
                [sys.executable, BUILDER, "build", "--tree", os.path.join(tmp, "tree"),
                 "--image", image, "--setup", viewer, "--out", medium],
                capture_output=True, text=True, env={**os.environ, "SOURCE_DATE_EPOCH": "1735732800"})
            self.assertEqual((result.returncode, result.stderr), (0, ""))
            container = os.path.join(medium, "Map.maptl")
            self.assertEqual(digest(container, IMAGE_SIZE), self.IMAGE_SHA256)
            planned = [line.split("\t")[0] for line in run("plan", container).stdout.splitlines()]
            self.assertEqual(sorted(planned), sorted(self.INSTALLED))
            with open(os.path.join(tmp, "tree", "Help", "Help.htm"), encoding="utf-8") as f:
                pictures = re.findall(r'src="\.\./Legend/([^"]+)"', f.read())
            self.assertEqual(sorted(f"Docs\\Legend\\{p}" for p in pictures),
                             sorted(p for p in planned if p.startswith("Docs\\Legend")))


if __name__ == "__main__":
    ZIPEXTRACT = sys.argv.pop(1)
    unittest.main(verbosity=1)
