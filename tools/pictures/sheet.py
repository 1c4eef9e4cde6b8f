"""One map sheet: land, lakes, rivers and forest drawn in the topographic
style, returned as an RGB float image plus the contour layer, which the
pictures reuse to keep a trace of the map in their faded margins."""

from dataclasses import dataclass, field

import numpy as np

import mapstyle as ms
import terrain as tr


@dataclass
class River:
    start: tuple
    end: tuple
    width_source: float = 1.0
    width_mouth: float = 3.0
    wiggle: float = 0.6


@dataclass
class Lake:
    cx: float
    cy: float
    rx: float
    ry: float


@dataclass
class SheetPlan:
    width: int
    height: int
    seed: int
    rivers: list = field(default_factory=list)
    lakes: list = field(default_factory=list)
    hills: float = 1.0  # how much the ridged crests add to the land
    tilt: tuple = (0.0, 0.0)  # rise per sheet width towards +x and +y
    contour_step: float = 0.045
    forest: float = 0.45  # share of the land under forest, roughly
    relief: float = 20.0
    base_cells: int = 3


@dataclass
class Sheet:
    rgb: np.ndarray
    contours: np.ndarray


def _land(plan, rng):
    w, h = plan.width, plan.height
    soft = tr.fractal_noise(rng, w, h, plan.base_cells, 6, 0.42)
    crest = tr.ridged(tr.fractal_noise(rng, w, h, plan.base_cells + 1, 5, 0.45))
    land = 0.65 * soft + 0.35 * plan.hills * crest
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    land += plan.tilt[0] * xx / w + plan.tilt[1] * yy / w
    return (land - land.min()) / (land.max() - land.min())


def _sink_lakes(plan, land, rng):
    """Lowers each lake's basin and returns the water coverage (0..1)."""
    w, h = plan.width, plan.height
    water = np.zeros_like(land)
    shore_noise = tr.fractal_noise(rng, w, h, 8, 4, 0.5) - 0.5
    for lake in plan.lakes:
        basin = tr.bowl(w, h, lake.cx, lake.cy, lake.rx * 1.9, lake.ry * 1.9)
        level = float(np.percentile(land[basin > 0.05], 12))
        land[:] = land * (1 - basin) + np.minimum(land, level + 0.05) * basin
        shore = tr.blob(rng, w, h, lake.cx, lake.cy, lake.rx, lake.ry)
        shore += 0.25 * shore_noise
        water = np.maximum(water, np.clip((1.0 - shore) * 8.0, 0.0, 1.0))
        land[:] = np.where(water > 0, np.minimum(land, level - 0.02 * water), land)
    return water


def _carve_river(plan, land, river, rng):
    """Cuts a valley whose floor descends steadily from source to mouth, so
    the contour lines bend upstream where they cross it."""
    path = tr.meander(rng, river.start, river.end, wiggle=river.wiggle)
    dist, along = tr.distance_to_path(plan.width, plan.height, path)

    def at(p):
        x = int(np.clip(p[0], 0, plan.width - 1))
        y = int(np.clip(p[1], 0, plan.height - 1))
        return float(land[y, x])

    top, bottom = at(path[0]), at(path[-1])
    top = max(top, bottom + 0.15)
    floor = top + (bottom - top) * along
    valley = np.exp(-((dist / 22.0) ** 2))
    land[:] = land * (1 - valley) + np.minimum(land, floor) * valley
    width = river.width_source + (river.width_mouth - river.width_source) * along
    return ms.line_alpha(dist, width)


def draw_sheet(plan, *, shading=0.7):
    rng = np.random.default_rng(plan.seed)
    land = _land(plan, rng)
    water = _sink_lakes(plan, land, rng)
    rivers = np.zeros_like(land)
    for river in plan.rivers:
        rivers = np.maximum(rivers, _carve_river(plan, land, river, rng))

    light = tr.hillshade(land, plan.relief)
    rgb = ms.shade(ms.layer_tint(land), light, shading)
    if plan.forest > 0:
        woods = tr.fractal_noise(rng, plan.width, plan.height, 5, 5, 0.55)
        cut = np.quantile(woods, 1.0 - plan.forest)
        mask = np.clip((woods - cut) * 14.0, 0.0, 1.0) * (land < 0.8)
        rgb = ms.forest(rgb, mask * (1 - water), rng)
    lines = ms.contour_alpha(land, plan.contour_step) * (1 - water)
    rgb = ms.blend(rgb, ms.CONTOUR, lines * 0.8)
    rgb = ms.water_body(rgb, water)
    rgb = ms.blend(rgb, ms.WATER_EDGE, rivers * (1 - water))
    return Sheet(rgb, lines)
