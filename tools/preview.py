"""Draw the shipped world map as the program would, to look at it before shipping.

Reads ZONARIUM.@17 and ZONARIUM.MAP back from disk, converts the points as the program's
loader does (default 36 x 24 frame, logical units), fills the frame with land, draws the
outline in the sea colour and flood-fills the sea from the seed points and the renderer's
six fixed seeds. A second picture draws the outline alone over the land cells of a grid
type, to see that every land cell holds land.
"""

import struct

from PIL import Image, ImageDraw

OX, OY, FX, FY = 160, 160, 2752, 1888
EXTENT_X, EXTENT_Y = 3073, 2249
CELL = 72
LAND, SEA = (199, 222, 163), (130, 180, 230)


def read_coastline(path):
    with open(path, "rb") as f:
        data = f.read()
    a, b = struct.unpack_from("<HH", data, 0)
    pts = [struct.unpack_from("<hh", data, 4 + 4 * i) for i in range(min(a + b, 2002))]
    return pts[:a], pts[a:]


def to_logical(x, y):
    """The loader's conversion of one source point, with its clamps."""
    xl = int((x - 4) * (1 / 648) * (FX - OX)) + OX
    yl = int((1 - (y - 155) * (1 / 432)) * (FY - OY)) + OY
    xl, yl = max(xl, OX), max(yl, OY)
    xl, yl = min(xl, EXTENT_X), min(yl, FY)
    if xl == FX - 4:
        xl = FX
    return xl, yl


def outside(p):
    return p[0] > FX or p[1] < OY


def segments(line_pts):
    """Segments the renderer draws: none that ends, or starts, beyond the right or top edge."""
    pts = [to_logical(*p) for p in line_pts]
    return [(p, q) for p, q in zip(pts[:-1], pts[1:]) if not outside(p) and not outside(q)]


def read_map(path):
    with open(path, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<h", data, 0)[0]
    grids = []
    for k in range(count):
        rec = data[34 + 1024 * k: 34 + 1024 * (k + 1)]
        name = rec[0:32].split(b"\0")[0].decode("ascii")
        sub = rec[32:64].split(b"\0")[0].decode("ascii")
        classes = {n: rec[66 + n] for n in range(1, 865)}
        grids.append((name, sub, classes))
    return grids


def draw_filled(coast_path, out_png, scale=1.0, pen=3):
    lines, seeds = read_coastline(coast_path)
    w, h = int(EXTENT_X * scale), int(EXTENT_Y * scale)
    img = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(img)
    s = lambda p: (round(p[0] * scale), round(p[1] * scale))
    d.rectangle([s((OX, OY)), s((FX, FY))], fill=LAND)
    for p, q in segments(lines):
        d.line([s(p), s(q)], fill=SEA, width=pen)
    d.rectangle([s((OX, OY)), s((FX, FY))], outline=SEA, width=pen)
    before = img.copy()
    fixed = [(OX + 16, OY + 16), (FX - 16, OY + 16), (FX - 16, FY - 16), (OX + 16, FY - 16),
             (OX + 16, OY + (FY - OY) // 6), (FX - 16, OY + (FY - OY) // 6)]
    for p in [to_logical(*q) for q in seeds] + fixed:
        if OX < p[0] < FX and OY < p[1] < FY and img.getpixel(s(p)) != SEA:
            ImageDraw.floodfill(img, s(p), SEA, border=SEA)
    for p in [to_logical(*q) for q in seeds]:
        c = s(p)
        d.ellipse([c[0] - 4, c[1] - 4, c[0] + 4, c[1] + 4], outline=(200, 0, 0), width=2)
    img.save(out_png)
    return before, img


def draw_cells(coast_path, map_path, grid_index, out_png, scale=0.5):
    """Outline in black over the grid type's cells (class 1 shaded), with the cell lines."""
    lines, _ = read_coastline(coast_path)
    name, sub, classes = read_map(map_path)[grid_index]
    w, h = int(EXTENT_X * scale), int(EXTENT_Y * scale)
    img = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(img)
    s = lambda p: (round(p[0] * scale), round(p[1] * scale))
    for n in range(1, 865):
        c, r = (n - 1) % 36, (n - 1) // 36
        x0, y0 = OX + c * CELL, OY + r * CELL
        fill = (255, 215, 140) if classes[n] == 1 else (235, 245, 255)
        d.rectangle([s((x0, y0)), s((x0 + CELL, y0 + CELL))], fill=fill, outline=(170, 170, 170))
    for p, q in segments(lines):
        d.line([s(p), s(q)], fill=(0, 0, 0), width=1)
    d.text((s((OX, FY + 64))), f"{name} ({sub})", fill=(0, 0, 0))
    img.save(out_png)
    return img


def fill_errors(before, after, outlines, scale):
    """Pieces of land that the sea fill reached (a leak), as source points inside them.
    A point on an outline is drawn in the sea colour anyway and tells nothing."""
    from shapely.ops import polylabel
    from coast import polygons_of, shipped_geometry
    leaks = []
    for poly in polygons_of(shipped_geometry(outlines)):
        if poly.area < 2.0:
            continue
        p = polylabel(poly, 0.25)
        px = to_logical(p.x, p.y)
        xy = (round(px[0] * scale), round(px[1] * scale))
        if before.getpixel(xy) == LAND and after.getpixel(xy) == SEA:
            leaks.append((round(p.x), round(p.y)))
    return leaks
