#!/usr/bin/env python3
"""Writes the demo program archive's folders: the stand-in viewer, a help
page, legend pictures, sample object databases, the file-type icons, the map
image's description and a few database-support files.
make-tree.py --viewer MAP.EXE --icons ICON_FOLDER --out TREE"""

import argparse
import math
import os
import shutil
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Legend symbols (the help page shows them): file name, colour, shape.
LEGEND = [
    ("forest.png", (60, 140, 60), "circle"),
    ("river.png", (70, 130, 210), "wave"),
    ("road.png", (200, 40, 40), "line"),
    ("town.png", (40, 40, 40), "square"),
    ("contour.png", (160, 110, 60), "arc"),
    ("swamp.png", (90, 150, 150), "hatch"),
]

TOWNS = [("Тальмир", 58.21, 41.37, 48200), ("Верхний Брод", 58.55, 41.02, 6100),
         ("Озёрки", 57.93, 41.80, 2300), ("Кремнёво", 58.02, 40.66, 1150)]
OBJECTS = [("Мост", "Тальмир", "через р. Таль"), ("Маяк", "Озёрки", "на мысу"),
           ("Мельница", "Верхний Брод", "водяная"), ("Курган", "Кремнёво", "древний")]


def png(width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))
                    for y in range(height))
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data)))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def symbol(colour, shape):
    paper = (250, 244, 222)

    def pixel(x, y):
        u, v = x - 16, y - 10
        hit = {
            "circle": u * u + v * v < 49,
            "wave": abs(v - round(3 * math.sin(x / 3))) < 2,
            "line": abs(v) < 2,
            "square": abs(u) < 6 and abs(v) < 6,
            "arc": abs((u * u + (v + 14) ** 2) ** 0.5 - 16) < 1.2,
            "hatch": (x + y) % 5 == 0 and abs(v) < 8,
        }[shape]
        return colour if hit else paper
    return png(32, 20, pixel)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)


def databases(out):
    head = "# Тальмирская область: база объектов карты, формат 1\n"
    write(os.path.join(out, "DataBase", "Towns.maptldb"), head + "".join(
        f"town;{n};{lat:.2f};{lon:.2f};{p}\n" for n, lat, lon, p in TOWNS))
    write(os.path.join(out, "DataBase", "Objects.maptldb"), head + "".join(
        f"object;{n};{t};{d}\n" for n, t, d in OBJECTS))
    write(os.path.join(out, "DataBase", "Samples", "Roads.maptldb"),
          head + "road;Р-12;Тальмир;Верхний Брод;41\nroad;Р-14;Тальмир;Озёрки;37\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--icons", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    out = args.out
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(os.path.join(out, "Program"))
    shutil.copyfile(args.viewer, os.path.join(out, "Program", "Map.exe"))
    write(os.path.join(out, "Program", "Map.ini"), "[Map]\nImage=Map.maptl\nScale=100000\n")
    shutil.copytree(os.path.join(HERE, "help"), os.path.join(out, "Help"))
    for name, colour, shape in LEGEND:
        write(os.path.join(out, "Legend", name), symbol(colour, shape))
    databases(out)
    for name in ("maptl.ico", "maptldb.ico"):
        write(os.path.join(out, "Icons", name), open(os.path.join(args.icons, name), "rb").read())
    write(os.path.join(out, "MapImage", "Map.inf"),
          "[Image]\nFile=Map.maptl\nSize=174236370\nSheets=1600x1200\nProjection=Гаусса-Крюгера\n")
    write(os.path.join(out, "BDE", "dbsupport.cfg"), "[Engine]\nLangDriver=ru1251\nShared=1\n")
    write(os.path.join(out, "BDE", "dbengine.dat"), bytes(range(256)) * 16)
    write(os.path.join(out, "BDE", "Drivers", "dbdrivers.ini"), "[Drivers]\nMapDB=dbengine.dat\n")


if __name__ == "__main__":
    main()
