"""World land outline for ZONARIUM.@17, built from the Natural Earth 1:50m coastline.

The coastline polylines are noded against the world's edge and polygonized; each face is
land when it lies in a Natural Earth country polygon. The land is then moved into the
program's frame (starting at 30 W, source units) and simplified until the outline, with
its break markers and the sea seed points, fits the 2002 points the program reads.
"""

import math
import sys

from shapely import affinity
from shapely.geometry import LineString, Point, Polygon, box
from shapely.ops import polygonize, polylabel, transform, unary_union
from shapely.prepared import prep

import zgrid

sys.setrecursionlimit(20000)

MAX_POINTS = 2002
# A segment is skipped when an end lies right of the frame's right edge; this point
# (converted x about 2944 logical, inside the 3073 clamp) separates two outlines.
BREAK = (700, 600)
# The renderer also flood-fills from fixed seeds 16 logical units (4 source units)
# inside the frame's corners. Antarctica reaches the bottom edge, so its outline
# leaves a small sea notch around each bottom corner seed.
NOTCHES = [box(zgrid.X0, zgrid.Y0, zgrid.X0 + 9, zgrid.Y0 + 8),
           box(zgrid.X1 - 9, zgrid.Y0, zgrid.X1, zgrid.Y0 + 8)]
FRAME = box(zgrid.X0, zgrid.Y0, zgrid.X1, zgrid.Y1)
# Outlines smaller than this (square source units, about 1.5 x 1.5 degrees) are left
# out unless they hold the only land of a cell.
MIN_AREA = 4.0


def read_polylines(path):
    lines, cur = [], None
    with open(path) as f:
        for s in f:
            if s.startswith(">"):
                cur = []
                lines.append(cur)
            elif s.strip():
                x, y = map(float, s.split())
                cur.append([x, y])
    return [l for l in lines if len(l) >= 2]


def land_polygons(coast_lines, countries_union):
    """Land in lon/lat: the faces of the coastline that lie inside the country polygons."""
    geoms = []
    for l in coast_lines:
        # Lines cut at the antimeridian stop a hair short of it; put their ends on it.
        for p in (l[0], l[-1]):
            if abs(p[0]) > 179.999:
                p[0] = math.copysign(180.0, p[0])
        if l[0] != l[-1] and math.dist(l[0], l[-1]) < 0.1 and abs(l[0][0]) < 180:
            l.append(list(l[0]))  # a ring left open by a few metres
        geoms.append(LineString(l))
    world = box(-180, -90, 180, 90)
    faces = polygonize(unary_union(geoms + [world.exterior]))
    inside = prep(countries_union)
    return unary_union([f for f in faces if inside.contains(f.representative_point())])


def to_source_units(geom):
    """lon/lat geometry -> frame source units (x from 30 W eastwards, equal-area bands)."""
    west = affinity.translate(geom.intersection(box(-180, -90, -30, 90)), 360, 0)
    east = geom.intersection(box(-30, -90, 180, 90))
    merged = unary_union([west, east])  # rejoins what Natural Earth splits at 180
    return transform(lambda xs, ys, zs=None: (
        [zgrid.src_x(x + 30.0) for x in xs], [zgrid.src_y(y) for y in ys]), merged)


def polygons_of(geom):
    if geom.is_empty:
        return []
    if isinstance(geom, Polygon):
        return [geom]
    return [g for g in getattr(geom, "geoms", []) if isinstance(g, Polygon)]


def cell_of(x, y):
    c = min(zgrid.COLUMNS - 1, max(0, int((x - zgrid.X0) // zgrid.UNIT))) + 1
    r = min(zgrid.ROWS - 1, max(0, int((zgrid.Y1 - y) // zgrid.UNIT))) + 1
    return zgrid.cell_number(c, r)


def land_cells(land_src):
    """Cells whose area holds some land."""
    return {n for n in range(1, zgrid.CELLS + 1)
            if land_src.intersection(box(*zgrid.cell_box_src(n))).area > 0}


def _densify(pts):
    """Ring points with the crossings of the cell grid lines added; orig marks input points."""
    out = []
    for (x0, y0), (x1, y1) in zip(pts[:-1], pts[1:]):
        out.append((x0, y0, True))
        ts = []
        for a0, a1, base in ((x0, x1, zgrid.X0), (y0, y1, zgrid.Y0)):
            if a0 != a1:
                lo, hi = sorted((a0, a1))
                k = math.floor((lo - base) / zgrid.UNIT) + 1
                while base + k * zgrid.UNIT < hi:
                    ts.append((base + k * zgrid.UNIT - a0) / (a1 - a0))
                    k += 1
        for t in sorted(ts):
            out.append((x0 + t * (x1 - x0), y0 + t * (y1 - y0), False))
    return out


def _depth(p, n):
    bx = zgrid.cell_box_src(n)
    return min(p[0] - bx[0], bx[2] - p[0], p[1] - bx[1], bx[3] - p[1])


def _dp(pts, tol):
    """Douglas-Peucker between fixed end points."""
    if len(pts) < 3:
        return list(pts)
    (x0, y0), (x1, y1) = pts[0], pts[-1]
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    dmax, imax = -1.0, 0
    for i in range(1, len(pts) - 1):
        px, py = pts[i]
        d = (abs(dy * (px - x0) - dx * (py - y0)) / length if length > 0
             else math.hypot(px - x0, py - y0))
        if d > dmax:
            dmax, imax = d, i
    if dmax > tol:
        return _dp(pts[:imax + 1], tol)[:-1] + _dp(pts[imax:], tol)
    return [pts[0], pts[-1]]


class Ring:
    """One outline of the land (exterior or hole), with the points it must keep."""

    def __init__(self, ring, hole):
        d = _densify(list(ring.coords))
        # Sequence of candidate points: the ring's own points plus the midpoint of each
        # piece between grid crossings, so every cell the ring passes has a point inside.
        seq = []
        for i, (x, y, orig) in enumerate(d):
            if orig:
                seq.append((x, y))
            a, b = d[i], d[(i + 1) % len(d)]
            if not (orig and b[2]):
                seq.append(((a[0] + b[0]) / 2, (a[1] + b[1]) / 2))
        self.seq = seq
        self.hole = hole
        self.area = Polygon(ring).area
        self.forced = set()
        self.keep_out = {}  # seq index -> cell the point must stay out of
        # Deepest candidate point of each cell the ring passes through.
        self.anchor = {}
        for i, p in enumerate(seq):
            n = cell_of(*p)
            dep = _depth(p, n)
            if dep > 0 and (n not in self.anchor or dep > self.anchor[n][0]):
                self.anchor[n] = (dep, i)

    def force_cell(self, n):
        """Keep a point in cell n; False when there is none or it is already kept."""
        if n not in self.anchor or self.anchor[n][1] in self.forced:
            return False
        self.forced.add(self.anchor[n][1])
        return True

    def keep_out_of(self, n, near):
        """Keep the point nearest to `near` that is not in cell n, so the outline stays
        out of the cell there; False when no such point is left."""
        x0, y0, x1, y1 = zgrid.cell_box_src(n)
        free = [i for i, p in enumerate(self.seq) if i not in self.keep_out and i not in self.forced
                and not (x0 <= p[0] <= x1 and y0 <= p[1] <= y1)]
        if not free:
            return False
        i = min(free, key=lambda i: math.dist(self.seq[i], near))
        self.keep_out[i] = n
        return True

    def simplified(self, tol):
        """Integer outline (closed: last point = first), or None when it vanishes."""
        seq = self.seq
        n = len(seq)
        fixed = sorted(self.forced | set(self.keep_out))
        if not fixed:
            far = max(range(n), key=lambda i: math.dist(seq[i], seq[0]))
            fixed = sorted({0, far})
        elif len(fixed) == 1:
            far = max(range(n), key=lambda i: math.dist(seq[i], seq[fixed[0]]))
            fixed = sorted({fixed[0], far})
        out = []
        for k, a in enumerate(fixed):
            b = fixed[(k + 1) % len(fixed)]
            chunk = seq[a:b + 1] if b > a else seq[a:] + seq[:b + 1]
            out += _dp(chunk, tol)[:-1]
        forced_pts = {seq[i] for i in self.forced}
        out_pts = {seq[i]: n for i, n in self.keep_out.items()}
        pts = []
        for p in out:
            q = (round(p[0]), round(p[1]))
            if p in forced_pts:
                q = _nudge_inside(q, cell_of(*p))
            elif p in out_pts:
                q = _push_outside(p, q, out_pts[p])
            if not pts or pts[-1] != q:
                pts.append(q)
        while len(pts) > 1 and pts[-1] == pts[0]:
            pts.pop()
        if not self.forced and (len(pts) < 3 or Polygon(pts).area < MIN_AREA):
            return None  # an island or lake too small to matter on this grid
        if len(set(pts)) < 3 or Polygon(pts).area == 0:
            # A needed island too small to draw: its kept points, widened to a triangle.
            pts = []
            for i in sorted(self.forced):
                q = _nudge_inside((round(seq[i][0]), round(seq[i][1])), cell_of(*seq[i]))
                if q not in pts:
                    pts.append(q)
            first = sorted(self.forced)[0]
            x0, y0, x1, y1 = zgrid.cell_box_src(cell_of(*seq[first]))
            for dx, dy in ((1, 0), (0, 1), (-1, 0), (0, -1), (1, 1), (-1, -1)):
                if len(pts) >= 3 and Polygon(pts).area > 0:
                    break
                q = (pts[0][0] + dx, pts[0][1] + dy)
                if x0 < q[0] < x1 and y0 < q[1] < y1 and q not in pts:
                    pts.append(q)
                    if len(pts) >= 3 and Polygon(pts).area == 0:
                        pts.pop()
        return pts + [pts[0]]


def _nudge_inside(q, n):
    """Keep a point that must mark cell n strictly inside it after rounding."""
    x0, y0, x1, y1 = zgrid.cell_box_src(n)
    return (min(max(q[0], x0 + 1), x1 - 1), min(max(q[1], y0 + 1), y1 - 1))


def _push_outside(p, q, n):
    """Round a point that lies outside cell n so that it stays outside."""
    x0, y0, x1, y1 = zgrid.cell_box_src(n)
    if not (x0 <= q[0] <= x1 and y0 <= q[1] <= y1):
        return q
    x, y = q
    if p[0] < x0:
        x = math.floor(p[0]) if math.floor(p[0]) < x0 else x0 - 1
    elif p[0] > x1:
        x = math.ceil(p[0]) if math.ceil(p[0]) > x1 else x1 + 1
    elif p[1] < y0:
        y = math.floor(p[1]) if math.floor(p[1]) < y0 else y0 - 1
    else:
        y = math.ceil(p[1]) if math.ceil(p[1]) > y1 else y1 + 1
    return x, y


def shipped_geometry(outlines):
    """The land as the shipped outlines describe it: even-odd over all closed outlines."""
    g = Polygon()
    for pts in outlines:
        p = Polygon(pts).buffer(0)
        g = g.symmetric_difference(p)
    return g


def uncovered(cells, outlines):
    """Land cells that no shipped outline passes through and that lie outside the land."""
    lines = [LineString(p) for p in outlines]
    land = prep(shipped_geometry(outlines))
    bad = []
    for n in sorted(cells):
        x0, y0, x1, y1 = zgrid.cell_box_src(n)
        inner = box(x0 + 1e-6, y0 + 1e-6, x1 - 1e-6, y1 - 1e-6)
        if any(l.intersects(inner) for l in lines):
            continue
        if land.contains(Point((x0 + x1) / 2, (y0 + y1) / 2)):
            continue
        bad.append(n)
    return bad


def build_rings(land_src, min_hole_area=4.0):
    land_src = land_src.difference(unary_union(NOTCHES))
    rings = []
    for p in polygons_of(land_src):
        rings.append(Ring(p.exterior, False))
        rings += [Ring(h, True) for h in p.interiors if Polygon(h).area >= min_hole_area]
    return rings


def sea_reached(cells, outlines):
    """Cells without land into which the simplified land reaches: {cell: [outline index]}."""
    out = {}
    for k, o in enumerate(outlines):
        p = Polygon(o).buffer(0)
        x0, y0, x1, y1 = p.bounds
        for n in range(1, zgrid.CELLS + 1):
            if n in cells:
                continue
            b = zgrid.cell_box_src(n)
            if b[0] >= x1 or b[2] <= x0 or b[1] >= y1 or b[3] <= y0:
                continue
            if p.intersection(box(*b)).area > 0:
                out.setdefault(n, []).append(k)
    return out


def outlines_for(rings, tol, cells):
    """Simplify at tol, forcing points into land cells that would otherwise be lost and
    out of cells without land that the simplified outline would cut into."""
    for _ in range(60):
        pairs = [(r, o) for r, o in ((r, r.simplified(tol)) for r in rings) if o]
        outlines = [o for _, o in pairs]
        bad = uncovered(cells, outlines)
        reached = {} if bad else sea_reached(cells, outlines)
        if not bad and not reached:
            return outlines
        progress = False
        for n in bad:
            cell = box(*zgrid.cell_box_src(n))
            # The ring with the most land in the cell is the one to keep there.
            for r in sorted((r for r in rings if not r.hole and n in r.anchor),
                            key=lambda r: -Polygon(r.seq).intersection(cell).area):
                if r.force_cell(n):
                    progress = True
                    break
        for n, ks in reached.items():
            cell = box(*zgrid.cell_box_src(n))
            for k in ks:
                r, o = pairs[k]
                near = Polygon(o).buffer(0).intersection(cell).centroid
                progress |= r.keep_out_of(n, (near.x, near.y))
        if not progress:
            raise SystemExit(f"land cells {bad} cannot be kept in the outline, "
                             f"nor the outline out of {sorted(reached)}")
    raise SystemExit("outline simplification did not settle")


def sea_seeds(outlines, min_area=12.0, inset=1.5):
    """One seed in every part of the sea that a narrow strait could cut off."""
    sea = FRAME.difference(shipped_geometry(outlines))
    lines = unary_union([LineString(p) for p in outlines])
    seeds = []
    for part in polygons_of(sea.buffer(-inset)):
        if part.area < min_area or any(n.contains(part) for n in NOTCHES):
            continue  # too small to matter, or a corner the fixed seeds fill
        p = part.representative_point()
        q = (round(p.x), round(p.y))
        if not part.contains(Point(q)) or lines.distance(Point(q)) < 1.0:
            p = polylabel(part, 0.5)
            q = (round(p.x), round(p.y))
        if part.contains(Point(q)) and lines.distance(Point(q)) >= 1.0:
            seeds.append(q)
    return seeds


def line_points(outlines):
    pts = []
    for o in outlines:
        if pts:
            pts.append(BREAK)
        pts += o
    return pts


def fit(land_src, cells, budget=MAX_POINTS, log=print):
    """Outline points and seeds that fit the budget, at the smallest tolerance that does."""
    lo, hi = 0.3, 4.0
    best = None
    for _ in range(12):
        tol = (lo + hi) / 2
        outs = outlines_for(build_rings(land_src), tol, cells)
        seeds = sea_seeds(outs)
        total = len(line_points(outs)) + len(seeds)
        log(f"  tolerance {tol:.3f} units: {len(outs)} outlines, {total} points")
        if total <= budget:
            best = (tol, outs, seeds)
            hi = tol
        else:
            lo = tol
    if best is None:
        raise SystemExit("no tolerance fits the coastline into 2002 points")
    tol, outs, seeds = best
    return tol, line_points(outs), seeds, outs
