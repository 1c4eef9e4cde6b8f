"""Turns height fields into the look of a printed topographic sheet:
layer tints, relief shading, contour lines, water and forest.

Images are float32 RGB arrays in 0..255, [row, column, channel].
"""

import numpy as np

PAPER = np.array([246, 243, 233], np.float32)
WATER = np.array([164, 207, 236], np.float32)
WATER_EDGE = np.array([62, 128, 190], np.float32)
CONTOUR = np.array([150, 96, 52], np.float32)
FOREST = np.array([176, 214, 150], np.float32)

# Layer tints by height (0 lowest land, 1 highest), light enough that the
# shading and the lines stay the main drawing.
_TINTS = [
    (0.00, (196, 224, 178)),
    (0.25, (220, 234, 184)),
    (0.45, (240, 236, 190)),
    (0.62, (236, 214, 168)),
    (0.78, (220, 188, 146)),
    (0.90, (204, 170, 136)),
    (1.00, (236, 230, 222)),
]


def layer_tint(h):
    stops = np.array([s for s, _ in _TINTS], np.float32)
    colours = np.array([c for _, c in _TINTS], np.float32)
    out = np.empty(h.shape + (3,), np.float32)
    for ch in range(3):
        out[..., ch] = np.interp(h, stops, colours[:, ch])
    return out


def blend(base, colour, alpha):
    """base*(1-alpha) + colour*alpha, alpha per pixel."""
    a = np.clip(alpha, 0.0, 1.0)[..., None]
    return base * (1.0 - a) + np.asarray(colour, np.float32) * a


def shade(img, light, strength=0.55):
    """Darkens slopes away from the light; flat ground keeps its tint."""
    flat = 0.78  # the shading of level ground at the default sun height
    factor = 1.0 + strength * (light - flat)
    return np.clip(img * factor[..., None], 0.0, 255.0)


def contour_alpha(h, step, width=0.9, index_every=5, index_width=1.6):
    """Anti-aliased contour lines of constant pixel width: the distance to the
    nearest level, measured in levels, divided by the slope in levels per pixel,
    is the distance in pixels. Every `index_every`-th line is drawn heavier."""
    levels = h / step
    gy, gx = np.gradient(levels)
    slope = np.maximum(np.hypot(gx, gy), 1e-4)
    nearest = np.round(levels)
    dist_px = np.abs(levels - nearest) / slope
    is_index = (np.mod(nearest, index_every) == 0)
    w = np.where(is_index, index_width, width)
    alpha = np.clip(w / 2.0 + 0.5 - dist_px, 0.0, 1.0)
    # Where the slope is so steep that lines would merge, thin them out
    # instead of painting a solid smear.
    crowd = np.clip((slope - 0.35) / 0.3, 0.0, 1.0)
    return alpha * (1.0 - 0.7 * crowd * (~is_index))


def line_alpha(dist, width):
    """Coverage of a line of the given pixel width from a distance field."""
    return np.clip(width / 2.0 + 0.5 - dist, 0.0, 1.0)


def water_body(img, depth_mask):
    """Fills the water with a flat blue and draws its shore line."""
    inside = np.clip(depth_mask * 6.0, 0.0, 1.0)
    img = blend(img, WATER, inside)
    gy, gx = np.gradient(inside)
    edge = np.clip(np.hypot(gx, gy) * 2.2, 0.0, 1.0)
    return blend(img, WATER_EDGE, edge * 0.85)


def forest(img, mask, rng):
    """Pale green fill with a scatter of darker crowns, as forests are printed."""
    img = blend(img, FOREST, mask * 0.75)
    crowns = (rng.random(mask.shape) < 0.018) & (mask > 0.7)
    return blend(img, (92, 150, 82), crowns.astype(np.float32) * 0.55)


def fade_to_paper(img, alpha, ghost=0.0, lines=None):
    """Fades part of the picture to plain paper (alpha 1), keeping `ghost` of
    the `lines` layer so the faded part still reads as the same map."""
    out = blend(img, PAPER, alpha)
    if lines is not None and ghost > 0:
        out = blend(out, CONTOUR, lines * ghost * alpha)
    return out


def horizontal_ramp(width, height, start, end):
    """0 left of start, 1 right of end, smooth in between."""
    x = np.arange(width, dtype=np.float32)
    t = np.clip((x - start) / float(end - start), 0.0, 1.0)
    t = t * t * (3.0 - 2.0 * t)
    return np.broadcast_to(t, (height, width)).copy()


def road(img, dist):
    """A main road: dark casing with an orange fill."""
    img = blend(img, (112, 62, 34), line_alpha(dist, 3.6))
    return blend(img, (246, 168, 76), line_alpha(dist, 1.9))


def grid(img, spacing, offset=(0, 0), alpha=0.28):
    """The kilometre grid: thin dark lines every `spacing` pixels."""
    h, w = img.shape[:2]
    lines = np.zeros((h, w), np.float32)
    lines[:, (np.arange(w) - offset[0]) % spacing == 0] = 1.0
    lines[(np.arange(h) - offset[1]) % spacing == 0, :] = 1.0
    return blend(img, (40, 40, 40), lines * alpha)
