"""Height fields for the installer's map pictures.

Everything here is plain numpy on float32 arrays indexed [row, column]; the
random generators are always seeded by the caller so every run draws the same
land.
"""

import numpy as np
from PIL import Image


def _smooth_grid(rng, width, height, cells_x, cells_y):
    """One octave: a coarse random grid stretched smoothly over the picture."""
    grid = rng.random((cells_y + 3, cells_x + 3)).astype(np.float32)
    big = Image.fromarray(grid, mode="F").resize(
        ((cells_x + 3) * width // cells_x, (cells_y + 3) * height // cells_y),
        Image.BICUBIC,
    )
    # Drop the margin so the bicubic edge effects stay outside the picture.
    ox, oy = width // cells_x, height // cells_y
    return np.asarray(big, dtype=np.float32)[oy:oy + height, ox:ox + width]


def fractal_noise(rng, width, height, base_cells=3, octaves=6, roughness=0.5):
    """Sum of octaves, each twice as fine and `roughness` times as strong."""
    total = np.zeros((height, width), np.float32)
    amplitude, norm = 1.0, 0.0
    aspect = height / width
    for k in range(octaves):
        cells_x = base_cells * 2**k
        cells_y = max(1, round(cells_x * aspect))
        total += amplitude * _smooth_grid(rng, width, height, cells_x, cells_y)
        norm += amplitude
        amplitude *= roughness
    total /= norm
    return (total - total.min()) / (total.max() - total.min())


def ridged(noise):
    """Folds noise into sharp crests, the look of eroded hills."""
    return 1.0 - np.abs(2.0 * noise - 1.0)


def bowl(width, height, cx, cy, rx, ry):
    """1 at (cx, cy), falling smoothly to 0 at the ellipse with radii rx, ry."""
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float32)
    d2 = ((xx - cx) / rx) ** 2 + ((yy - cy) / ry) ** 2
    return np.clip(1.0 - d2, 0.0, 1.0) ** 2


def meander(rng, start, end, steps=120, wiggle=0.35):
    """A river-like path from start to end: a straight line bent by smooth
    random sideways offsets that vanish at both ends."""
    start, end = np.asarray(start, float), np.asarray(end, float)
    t = np.linspace(0.0, 1.0, steps)
    along = end - start
    length = np.hypot(*along)
    normal = np.array([-along[1], along[0]]) / length
    offsets = np.zeros(steps)
    for k, amp in ((2, 1.0), (4, 0.45), (9, 0.18)):
        phase = rng.random() * 2 * np.pi
        offsets += amp * np.sin(k * np.pi * t + phase)
    offsets *= wiggle * length * 0.18 * np.sin(np.pi * t)
    return start + np.outer(t, along) + np.outer(offsets, normal)


def distance_to_path(width, height, path):
    """Distance in pixels from every pixel to the polyline, and the position
    (0 at the source, 1 at the mouth) of the nearest point on it."""
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float32)
    best = np.full((height, width), np.inf, np.float32)
    where = np.zeros((height, width), np.float32)
    n = len(path) - 1
    for i in range(n):
        (x0, y0), (x1, y1) = path[i], path[i + 1]
        dx, dy = x1 - x0, y1 - y0
        seg2 = dx * dx + dy * dy or 1e-6
        u = np.clip(((xx - x0) * dx + (yy - y0) * dy) / seg2, 0.0, 1.0)
        d = np.hypot(xx - (x0 + u * dx), yy - (y0 + u * dy))
        closer = d < best
        best[closer] = d[closer]
        where[closer] = (i + u[closer]) / n
    return best, where


def hillshade(h, relief=18.0, azimuth_deg=315.0, altitude_deg=40.0):
    """Lambert shading of the height field lit from the north-west, as on
    printed relief maps; 1 is fully lit, 0 is in shadow."""
    gy, gx = np.gradient(h * relief)
    az, alt = np.radians(azimuth_deg), np.radians(altitude_deg)
    lx, ly, lz = np.cos(alt) * np.sin(az), -np.cos(alt) * np.cos(az), np.sin(alt)
    # Rows grow southwards, so the surface normal is (-gx, -gy, 1).
    shade = (-gx * lx - gy * ly + lz) / np.sqrt(gx * gx + gy * gy + 1.0)
    return np.clip(shade, 0.0, 1.0)


def blob(rng, width, height, cx, cy, rx, ry, lobes=((2, 0.2), (3, 0.16), (5, 0.1), (8, 0.05))):
    """Distance from (cx, cy) scaled so that 1 is an irregular, lobed shore:
    an ellipse whose radius swings with a few harmonics of the angle."""
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float32)
    ex, ey = (xx - cx) / rx, (yy - cy) / ry
    angle = np.arctan2(ey, ex)
    radius = np.ones_like(angle)
    for k, amp in lobes:
        radius += amp * np.sin(k * angle + rng.random() * 2 * np.pi)
    return np.hypot(ex, ey) / radius
