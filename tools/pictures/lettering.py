"""Map lettering and marginalia on PIL images: names with a paper halo,
the title cartouche, the scale bar and point symbols."""

from PIL import ImageDraw, ImageFilter, ImageFont, Image

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
INK = (52, 44, 36)
WATER_INK = (34, 92, 156)
HALO = (246, 243, 233)


def font(size, bold=False, serif=False):
    family = "DejaVuSerif" if serif else "DejaVuSans"
    name = family + ("-Bold" if bold else "") + ".ttf"
    return ImageFont.truetype(FONT_DIR + name, size)


def haloed(img, xy, text, fnt, fill=INK, halo=HALO, radius=2, anchor="la"):
    """Text with a soft paper-coloured halo so it reads over busy ground."""
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).text(xy, text, font=fnt, fill=255, anchor=anchor)
    glow = mask.filter(ImageFilter.MaxFilter(2 * radius + 1))
    glow = glow.filter(ImageFilter.GaussianBlur(radius * 0.6))
    img.paste(Image.new("RGB", img.size, halo), (0, 0), glow)
    ImageDraw.Draw(img).text(xy, text, font=fnt, fill=fill, anchor=anchor)


def cartouche(img, box, title, subtitle, title_font, sub_font):
    """A boxed title as in the corner of a map sheet: paper fill, a heavy and
    a fine frame, the title centred above a thin rule and the subtitle."""
    x0, y0, x1, y1 = box
    shadow = Image.new("L", img.size, 0)
    ImageDraw.Draw(shadow).rectangle((x0 + 3, y0 + 3, x1 + 3, y1 + 3), fill=110)
    shadow = shadow.filter(ImageFilter.GaussianBlur(3))
    img.paste(Image.new("RGB", img.size, (30, 24, 18)), (0, 0), shadow)
    d = ImageDraw.Draw(img)
    d.rectangle(box, fill=HALO, outline=INK, width=2)
    d.rectangle((x0 + 4, y0 + 4, x1 - 4, y1 - 4), outline=INK, width=1)
    cx = (x0 + x1) // 2
    title_y = y0 + 12
    d.text((cx, title_y), title, font=title_font, fill=INK, anchor="mt")
    rule_y = title_y + title_font.size + 8
    d.line((x0 + 24, rule_y, x1 - 24, rule_y), fill=(150, 96, 52), width=1)
    d.text((cx, rule_y + 7), subtitle, font=sub_font, fill=(92, 70, 50), anchor="mt")


def scale_bar(img, x, y, segment, labels, fnt):
    """Alternating black and white segments with the distances above them."""
    d = ImageDraw.Draw(img)
    for i in range(len(labels) - 1):
        fill = INK if i % 2 == 0 else HALO
        d.rectangle((x + i * segment, y, x + (i + 1) * segment, y + 4), fill=fill, outline=INK)
    for i, label in enumerate(labels):
        haloed(img, (x + i * segment, y - 2), label, fnt, anchor="mb", radius=1)


def spot_height(img, xy, value, fnt):
    """A triangulation point: a small triangle with its height beside it."""
    x, y = xy
    d = ImageDraw.Draw(img)
    d.polygon([(x, y - 4), (x - 4, y + 3), (x + 4, y + 3)], fill=HALO, outline=INK)
    d.point((x, y), fill=INK)
    haloed(img, (x + 6, y), value, fnt, anchor="lm", radius=1)


def settlement(img, xy, blocks, rng):
    """A cluster of dark house blocks around a point."""
    x, y = xy
    d = ImageDraw.Draw(img)
    for _ in range(blocks):
        bx = x + int(rng.normal(0, 2.2 + blocks * 0.25))
        by = y + int(rng.normal(0, 2.2 + blocks * 0.25))
        w, h = int(rng.integers(2, 5)), int(rng.integers(2, 4))
        d.rectangle((bx, by, bx + w, by + h), fill=(70, 56, 48))
