#!/usr/bin/python3
"""Draws the installer's pictures into forms/pictures/.

Run with Debian's python3 (python3-pil, python3-numpy, fonts-dejavu-core):
    /usr/bin/python3 tools/pictures/draw_pictures.py [output-folder]
Every random choice is seeded, so a rerun reproduces the same pictures.

The wizard writes its labels in black 8-point type straight onto the page
pictures, so each of them keeps a calm, light band where its labels stand:
the welcome picture on the left, the completion picture on the right.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches

import numpy as np
from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import lettering as lt  # noqa: E402
import mapstyle as ms  # noqa: E402
import terrain as tr  # noqa: E402
from sheet import Lake, River, SheetPlan, draw_sheet  # noqa: E402

PRODUCT = "Карта Тальмирской области 2.0"
W, H = 505, 313


def to_image(rgb):
    return Image.fromarray(np.clip(rgb + 0.5, 0, 255).astype(np.uint8), "RGB")


def welcome():
    """Page 0: map on the right, paper under the labels on the left."""
    plan = SheetPlan(W, H, seed=11, tilt=(0.25, -0.1),
                     rivers=[River((505, 20), (392, 196), 1.0, 2.6),
                             River((300, 0), (380, 190), 0.8, 1.8, 0.5)],
                     lakes=[Lake(398, 205, 34, 20)])
    s = draw_sheet(plan)
    paper = 1.0 - ms.horizontal_ramp(W, H, 205, 310)
    img = to_image(ms.fade_to_paper(s.rgb, paper, ghost=0.16, lines=s.contours))
    lt.haloed(img, (400, 236), "оз. Светлое", lt.font(10, serif=True), fill=lt.WATER_INK)
    lt.spot_height(img, (452, 92), "312,4", lt.font(9))
    lt.spot_height(img, (352, 276), "187,9", lt.font(9))
    return img


def completion():
    """Pages 3 and 5: map on the left two thirds, paper under the labels."""
    plan = SheetPlan(W, H, seed=23, tilt=(-0.2, 0.15),
                     rivers=[River((0, 30), (150, 176), 1.0, 2.6),
                             River((96, 313), (150, 190), 0.8, 2.0, 0.5)],
                     lakes=[Lake(160, 170, 42, 24)])
    s = draw_sheet(plan)
    paper = ms.horizontal_ramp(W, H, 230, 325)
    img = to_image(ms.fade_to_paper(s.rgb, paper, ghost=0.16, lines=s.contours))
    lt.haloed(img, (162, 207), "оз. Глубокое", lt.font(10, serif=True), fill=lt.WATER_INK)
    lt.spot_height(img, (60, 250), "241,0", lt.font(9))
    return img


def banner():
    """The strip over pages 1, 2 and 4: the product name on paper at the left,
    a slice of map running out to the right."""
    plan = SheetPlan(W, 200, seed=5, tilt=(0.2, 0.0),
                     rivers=[River((505, 150), (330, 0), 0.9, 2.2)],
                     lakes=[Lake(440, 110, 30, 14)])
    s = draw_sheet(plan)
    rows = slice(80, 134)
    rgb, lines = s.rgb[rows], s.contours[rows]
    paper = 1.0 - ms.horizontal_ramp(W, 54, 250, 380)
    img = to_image(ms.fade_to_paper(rgb, paper, ghost=0.12, lines=lines))
    lt.haloed(img, (14, 27), PRODUCT, lt.font(15, bold=True), fill=(46, 62, 44), anchor="lm")
    return img


def billboard_relief():
    """Shown during the first half of the map copy: the relief at its best."""
    plan = SheetPlan(W, H, seed=31, hills=1.3, relief=26.0, tilt=(0.3, 0.2),
                     rivers=[River((505, 250), (190, 210), 1.0, 3.0),
                             River((300, 313), (250, 215), 0.8, 1.6, 0.5)],
                     lakes=[Lake(170, 205, 46, 26), Lake(400, 90, 22, 14)],
                     forest=0.25)
    s = draw_sheet(plan, shading=1.0)
    img = to_image(ms.grid(s.rgb, 100, (52, 13), 0.18))
    lt.haloed(img, (150, 242), "оз. Тальмир", lt.font(10, serif=True), fill=lt.WATER_INK)
    lt.spot_height(img, (420, 176), "418,6", lt.font(9))
    lt.spot_height(img, (70, 280), "264,2", lt.font(9))
    lt.cartouche(img, (12, 12, 318, 82), PRODUCT, "Рельеф, горизонтали, реки и озёра",
                 lt.font(15, bold=True), lt.font(11))
    lt.scale_bar(img, 380, 292, 30, ["0", "1", "2", "3 км"], lt.font(9))
    return img


def billboard_places():
    """Shown during the second half: forests, roads and villages."""
    plan = SheetPlan(W, H, seed=47, hills=0.8, tilt=(0.0, -0.25),
                     rivers=[River((0, 170), (505, 230), 1.4, 3.2, 0.45)],
                     lakes=[Lake(410, 120, 28, 16)], forest=0.55)
    s = draw_sheet(plan, shading=0.6)
    rng = np.random.default_rng(47)
    rgb = s.rgb
    for start, end, wiggle in (((0, 95), (505, 140), 0.25), ((235, 313), (250, 0), 0.2)):
        dist, _ = tr.distance_to_path(W, H, tr.meander(rng, start, end, wiggle=wiggle))
        rgb = ms.road(rgb, dist)
    img = to_image(ms.grid(rgb, 100, (20, 40), 0.18))
    for (x, y), blocks, name, size in (((244, 116), 26, "Тальмир", 12),
                                       ((88, 104), 9, "Берёзовка", 10),
                                       ((398, 150), 8, "Озёрск", 10),
                                       ((250, 262), 7, "Каменка", 10)):
        lt.settlement(img, (x, y), blocks, rng)
        lt.haloed(img, (x + 10, y - 8), name, lt.font(size, bold=size > 10), anchor="ls")
    lt.cartouche(img, (181, 12, 493, 82), PRODUCT, "Леса, дороги и населённые пункты",
                 lt.font(15, bold=True), lt.font(11))
    lt.scale_bar(img, 24, 292, 30, ["0", "1", "2", "3 км"], lt.font(9))
    return img


def framed(img):
    """A dark edge so the billboard stands clear of the blue backdrop."""
    ImageDraw.Draw(img).rectangle((0, 0, img.width - 1, img.height - 1), outline=lt.INK)
    return img


def save_jpeg(img, path):
    # Baseline (not progressive) and full-resolution colour, so small type and
    # thin lines stay sharp and every JPEG reader can decode the file.
    img.save(path, "JPEG", quality=90, subsampling=0, progressive=False, optimize=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "forms", "pictures")
    os.makedirs(out, exist_ok=True)
    save_jpeg(welcome(), os.path.join(out, "Image1.jpg"))
    save_jpeg(banner(), os.path.join(out, "Image2.jpg"))
    save_jpeg(completion(), os.path.join(out, "Image5.jpg"))
    framed(billboard_relief()).save(os.path.join(out, "Billboard1.bmp"), "BMP")
    save_jpeg(framed(billboard_places()), os.path.join(out, "Billboard2.jpg"))


if __name__ == "__main__":
    main()
