#!/usr/bin/python3
"""Build the program data of the Britain grid (programdata/britain/) from shared/data.

Usage: britain.py --data DIR --places FILE --out DIR --counts FILE [--preview DIR]
(tools/build_programdata.sh passes the usual paths; FILE of --places is written by
gb_places.R). Writes into OUT/britain: the master grid ZONARIUM.SQS, the coastline
ZONARIUM.@50, the location names ZONARIUM.LOC and the sample datafile butterflies.dat,
and checks each of them.

Frame: 80 columns x 125 rows of 10 km squares of the British National Grid. The square
whose SW corner is at (10 km * cell_x, 10 km * cell_y) lies in column cell_x + 1 and row
125 - cell_y (rows from the north), so the frame spans eastings 0..800 km and northings
0..1250 km. Coastline units are kilometres: file x = 220 + easting, y = 1250 - northing,
which the program shifts to logical x = 80 + easting, y = 60 + 1250 - northing, the same
10 units per square as the cells.
"""

import argparse
import csv
import math
import os
import struct
import sys
from collections import defaultdict

from shapely.geometry import LineString, MultiLineString, Point, Polygon, box
from shapely.ops import unary_union
from shapely.prepared import prep

import bng
import britain_expected
import coast
import samples
import zgrid
from build import log, write

COLUMNS, ROWS = 80, 125
SQUARE_KM = 10
HEADER = b"BNG 80x125"            # 10 bytes, not read by the program
X_SHIFT, Y_TOP = 220, 1250        # file units: x = X_SHIFT + easting km, y = Y_TOP - northing km
FRAME_M = box(0, 0, COLUMNS * SQUARE_KM * 1000, ROWS * SQUARE_KM * 1000)
BREAK = (0, 0)                    # x = 0 starts a new line
CARD = 4096
LEVEL_BASE = 92                   # level of cell n at card offset 92 + n
MAX_CELLS = 3947                  # level bytes end before the run-time fields at 4040
RECENT = 2                        # presence level of every record: "1970 onwards"
TITLE = "GB butterflies, Ovaskainen 2016"
SAMPLE = "butterflies.dat"        # a name beginning "but" gives the legend its classes
NAME_ROOM = 17 - 5                # a location name is "TQ38 " and then this much


# --- master grid ---------------------------------------------------------------------------

def read_mask(data_dir):
    with open(os.path.join(data_dir, "coastlines", "britain_mask_10km.csv")) as f:
        return list(csv.DictReader(f))


def frame_position(cell_x, cell_y):
    """(column, row) in the frame of a BNG 10 km square, rows counted from the north."""
    col, row = cell_x + 1, ROWS - cell_y
    if not (1 <= col <= COLUMNS and 1 <= row <= ROWS):
        raise SystemExit(f"square {cell_x},{cell_y} ({bng.hectad(cell_x, cell_y)}) lies "
                         f"outside the {COLUMNS} x {ROWS} frame")
    return col, row


def master_cells(mask):
    """{(cell_x, cell_y): cell number} of the land squares of Great Britain and the Isle
    of Man, numbered in reading order of the frame."""
    squares = [(int(r["cell_x"]), int(r["cell_y"])) for r in mask
               if r["not_gb"] == "0" and r["land_any"] == "1"]
    order = sorted(squares, key=lambda sq: frame_position(*sq)[::-1])
    if len(order) > MAX_CELLS:
        raise SystemExit(f"{len(order)} cells: a 4096-byte card holds levels for {MAX_CELLS}")
    return {sq: n for n, sq in enumerate(order, 1)}


def sqs_file(cells):
    rows = [bytearray(b"0" * COLUMNS) for _ in range(ROWS)]
    for sq in cells:
        col, row = frame_position(*sq)
        rows[row - 1][col - 1] = ord("1")
    return HEADER + b"".join(bytes(r) + b"\r\n" for r in rows)


def parse_sqs(data):
    """Cell numbers back from the file bytes, as the program reads them: {(col, row): n}."""
    out, n = {}, 0
    for row in range(1, ROWS + 1):
        for col in range(1, COLUMNS + 1):
            if data[10 + 82 * (row - 1) + col - 1] == ord("1"):
                n += 1
                out[(col, row)] = n
    return out


# --- coastline -----------------------------------------------------------------------------

def file_units(e, n):
    return (X_SHIFT + math.floor(e / 1000 + 0.5), Y_TOP - math.floor(n / 1000 + 0.5))


def _pieces(geom):
    if geom.is_empty:
        return []
    if isinstance(geom, LineString):
        return [geom]
    return [g for g in getattr(geom, "geoms", []) if isinstance(g, LineString)]


def _chain(pieces):
    """Join pieces that GMT cut at its bins where one ends at another's start."""
    starts = defaultdict(list)
    for k, p in enumerate(pieces):
        starts[p[0]].append(k)
    used, out = set(), []
    for k, p in enumerate(pieces):
        if k in used:
            continue
        used.add(k)
        line = list(p)
        while line[-1] != line[0]:
            nxt = [j for j in starts[line[-1]] if j not in used]
            if not nxt:
                break
            used.add(nxt[0])
            line += pieces[nxt[0]][1:]
        out.append(line)
    # a chain may have started in the middle of another: join ends to starts again
    merged = True
    while merged:
        merged = False
        for a in range(len(out)):
            for b in range(len(out)):
                if a != b and out[a][0] != out[a][-1] and out[a][-1] == out[b][0]:
                    out[a] += out[b][1:]
                    del out[b]
                    merged = True
                    break
            if merged:
                break
    return out


def coast_lines(data_dir):
    """The GSHHG shoreline inside the frame, in file units, as chained polylines."""
    raw = coast.read_polylines(os.path.join(data_dir, "coastlines", "britain_coast_bng.txt"))
    pieces = []
    for l in raw:
        for g in _pieces(LineString(l).intersection(FRAME_M)):
            pts = []
            for e, n in g.coords:
                p = file_units(e, n)
                if not pts or pts[-1] != p:
                    pts.append(p)
            if len(pts) >= 2:
                pieces.append(pts)
    return _chain(pieces)


def coastline_file(lines):
    pts = []
    for k, l in enumerate(lines):
        if k:
            pts.append(BREAK)
        pts += l
    for x, y in pts:
        if (x, y) != BREAK and x == 0:
            raise SystemExit(f"coast point ({x}, {y}) would read as a break")
    return struct.pack("<i", len(pts)) + b"".join(struct.pack("<ii", x, y) for x, y in pts)


def parse_coastline(data):
    """Lines back from the file: split at the breaks, in file units."""
    count = struct.unpack_from("<i", data, 0)[0]
    if len(data) != 4 + 8 * count:
        raise SystemExit(f"coastline file: {len(data)} bytes for {count} points")
    lines, cur = [], []
    for k in range(count):
        x, y = struct.unpack_from("<ii", data, 4 + 8 * k)
        if x == 0:
            lines.append(cur)
            cur = []
        else:
            cur.append((x, y))
    lines.append(cur)
    return lines


def square_box(col, row):
    """A frame square in coastline file units."""
    x0 = X_SHIFT + SQUARE_KM * (col - 1)
    y0 = SQUARE_KM * (row - 1)
    return x0, y0, x0 + SQUARE_KM, y0 + SQUARE_KM


def check_coastline(lines, cells):
    """Every cell must hold a piece of the coast or lie inside a closed outline; reports
    the squares outside the grid that the coast crosses."""
    geoms = [LineString(l) for l in lines if len(l) >= 2]
    closed = [Polygon(l).buffer(0) for l in lines if len(l) >= 4 and l[0] == l[-1]]
    land = Polygon()
    for p in closed:
        land = land.symmetric_difference(p)
    land = prep(land)
    shore = prep(MultiLineString(geoms))
    on_coast, inland, bad = 0, 0, []
    grid = {frame_position(*sq): sq for sq in cells}
    for (col, row), sq in sorted(grid.items()):
        x0, y0, x1, y1 = square_box(col, row)
        if shore.intersects(box(x0 + 1e-6, y0 + 1e-6, x1 - 1e-6, y1 - 1e-6)):
            on_coast += 1
        elif land.contains(Point(x0 + 5, y0 + 5)):
            inland += 1
        else:
            bad.append(bng.hectad(*sq))
    if bad:
        raise SystemExit(f"COAST CHECK FAILED: cells {bad} hold no coast and lie outside it")
    log(f"  coast check: {on_coast} cells on the coast, {inland} inland, none outside")
    crossed = set()
    for g in geoms:
        for x, y in g.coords:
            crossed.add((int((x - X_SHIFT) // SQUARE_KM) + 1, int(y // SQUARE_KM) + 1))
    others = sorted(crossed - set(grid))
    log(f"  frame squares outside the grid with a coast point: {len(others)} "
        f"(Ireland, France, and squares whose land misses the 1 km sample points)")


# --- location names ------------------------------------------------------------------------

def read_places(path):
    """Map units {name: polygon in BNG metres} and towns [(name, population, e, n)]."""
    units, towns, cur, ring = {}, [], None, None
    rings = defaultdict(list)
    with open(path, encoding="utf-8") as f:
        for s in f:
            s = s.rstrip("\n")
            if s.startswith("U\t"):
                cur = s.split("\t")[1]
            elif s.startswith("R\t"):
                ring = (s.split("\t")[1] == "1", [])
                rings[cur].append(ring)
            elif s.startswith("P\t"):
                _, name, pop, lat, lon = s.split("\t")
                e, n = bng.to_bng(float(lon), float(lat))
                towns.append((zgrid.ascii_text(name), int(pop), e, n))
            elif s:
                lon, lat = map(float, s.split())
                ring[1].append(bng.to_bng(lon, lat))
    for name, rs in rings.items():
        shells = unary_union([Polygon(r).buffer(0) for h, r in rs if not h])
        holes = [Polygon(r).buffer(0) for h, r in rs if h]
        units[name] = shells.difference(unary_union(holes)) if holes else shells
    return units, towns


def town_label(name):
    s = name.replace("Saint ", "St ")
    return s if len(s) <= NAME_ROOM else None


def check_projection(mask):
    """bng.to_bng must give the centres the mask lists (made with PROJ) for Great Britain.
    (Outside the area of its datum shift PROJ falls back to none, 100 m or more off.)"""
    worst = 0.0
    for r in mask:
        if r["not_gb"] == "0":
            e, n = bng.to_bng(float(r["lon_c"]), float(r["lat_c"]))
            worst = max(worst, abs(e - int(r["e0"]) - 5000), abs(n - int(r["n0"]) - 5000))
    if worst > 2.0:
        raise SystemExit(f"BNG conversion is {worst:.1f} m off the mask's square centres")
    log(f"  BNG conversion within {worst:.2f} m of the mask's square centres")


def cell_names(cells, units, towns):
    """'TQ38 London': the square's reference, then its largest town whose name fits, else
    the map unit (England, Scotland, Wales, Isle of Man) with most land in the square."""
    in_square = defaultdict(list)
    for name, pop, e, n in towns:
        label = town_label(name)
        if label:
            in_square[(int(e // 10000), int(n // 10000))].append((-pop, label))
    names, by = {}, defaultdict(int)
    for sq, num in cells.items():
        ref = bng.hectad(*sq)
        if in_square[sq]:
            names[num] = f"{ref} {min(in_square[sq])[1]}"
            by["town"] += 1
            continue
        b = box(sq[0] * 10000, sq[1] * 10000, (sq[0] + 1) * 10000, (sq[1] + 1) * 10000)
        area = {u: g.intersection(b).area for u, g in units.items() if g.intersects(b)}
        if area:
            unit = min(area, key=lambda u: (-area[u], u))
        else:
            # an islet that the 1:50m outline leaves out: the nearest unit
            unit = min(units, key=lambda u: (units[u].distance(b), u))
            by["nearest unit"] += 1
        by[unit] += 1
        names[num] = f"{ref} {unit}"
    for num, s in names.items():
        if len(s) > 17:
            raise SystemExit(f"location name {s!r} longer than 17")
    return names, dict(by)


def loc_file(names):
    return b"".join(names[n].encode("ascii").ljust(17, b" ") + b"\0<\r"
                    for n in range(1, len(names) + 1))


# --- sample datafile -----------------------------------------------------------------------

def read_butterflies(data_dir, cells):
    """{(family, genus, species): {cell numbers}} and the records dropped as outside the grid."""
    taxa, dropped = defaultdict(set), []
    with open(os.path.join(data_dir, "gb_butterflies_hectad", "data.csv")) as f:
        for r in csv.DictReader(f):
            sq = (int(r["cell_x"]), int(r["cell_y"]))
            if bng.hectad(*sq) != r["hectad"]:
                raise SystemExit(f"{r['species']}: square {sq} is {bng.hectad(*sq)}, "
                                 f"the data set says {r['hectad']}")
            if sq in cells:
                taxa[(r["family"], r["genus"], r["species"])].add(cells[sq])
            else:
                dropped.append((r["species"], r["hectad"]))
    return taxa, dropped


def card(name, code, cells):
    if not code or "0" in code or len(code) > 31:
        raise ValueError(f"bad code {code!r}")
    out = bytearray(CARD)
    out[0:32] = zgrid._text_field(name, 32, "name")
    out[32:63] = code.encode("ascii").ljust(31, b"0")
    for n in cells:
        if not 1 <= n <= MAX_CELLS:
            raise ValueError(f"cell {n}")
        out[LEVEL_BASE + n] = RECENT
    return bytes(out)


def datafile(taxa):
    code, widths = samples.codes(list(taxa))
    if widths != [1, 1, 1]:
        raise SystemExit(f"code levels {widths}: expected one character each")
    cards, seen = [], set()
    for key in sorted(taxa, key=lambda k: code[k]):
        name = zgrid.ascii_text(samples.card_name(key[2], key[1]))
        if name in seen:
            raise SystemExit(f"two taxa named {name!r}")
        seen.add(name)
        cards.append(card(name, code[key], sorted(taxa[key])))
    head = b"%4d" % len(cards) + zgrid._text_field(TITLE, 32, "title")
    return head + b"".join(cards), code


def datafile_counts(data, cells):
    """taxa, records and occupied cells as the program's recount finds them."""
    taxa = int(data[0:4].decode("ascii"))
    if len(data) != 36 + CARD * taxa:
        raise SystemExit(f"{SAMPLE}: {len(data)} bytes for {taxa} cards")
    records, occupied = 0, set()
    for k in range(taxa):
        c = data[36 + CARD * k: 36 + CARD * (k + 1)]
        if k < 3 and c[62:63] != b"0":
            raise SystemExit(f"{SAMPLE}: card {k} fails the format signature")
        if any(c[64:LEVEL_BASE + 1]) or any(c[LEVEL_BASE + cells + 1:]):
            raise SystemExit(f"{SAMPLE}: card {k} has bytes outside its level range")
        for n in range(1, cells + 1):
            v = c[LEVEL_BASE + n]
            if v:
                occupied.add(n)
                records += 1
    return taxa, records, len(occupied)


# --- preview -------------------------------------------------------------------------------

def draw_preview(out_dir, png, richness=None):
    """The frame as the program lays it out (1 pixel per logical unit): squares of the
    master grid shaded (by richness when given), the coastline read back from the file."""
    from PIL import Image, ImageDraw
    with open(os.path.join(out_dir, "ZONARIUM.SQS"), "rb") as f:
        grid = parse_sqs(f.read())
    with open(os.path.join(out_dir, "ZONARIUM.@50"), "rb") as f:
        lines = parse_coastline(f.read())
    img = Image.new("RGB", (1081, 1491), (255, 255, 255))
    d = ImageDraw.Draw(img)
    top = max(richness.values()) if richness else 1
    for (col, row), n in grid.items():
        x0, y0 = 80 + 10 * (col - 1), 60 + 10 * (row - 1)
        if richness is None:
            fill = (255, 215, 140)
        else:
            v = richness.get(n, 0) / top
            fill = (255, int(245 - 200 * v), int(220 - 220 * v)) if v else (215, 215, 215)
        d.rectangle([x0, y0, x0 + 9, y0 + 9], fill=fill)
    for c in range(0, COLUMNS + 1, 10):
        d.line([80 + 10 * c, 60, 80 + 10 * c, 1310], fill=(170, 170, 230))
    for r in range(0, ROWS + 1, 10):
        d.line([80, 1310 - 10 * r, 880, 1310 - 10 * r], fill=(170, 170, 230))
    d.rectangle([80, 60, 880, 1310], outline=(85, 85, 85))
    for l in lines:
        pts = [(x + 80 - 220, y + 60) for x, y in l]
        d.line(pts, fill=(0, 0, 0), width=1)
    img.save(png)


# --- main ----------------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--data", required=True)
    ap.add_argument("--places", required=True)
    ap.add_argument("--out", required=True, help="program folder; files go to OUT/britain")
    ap.add_argument("--counts", required=True)
    ap.add_argument("--preview")
    args = ap.parse_args()
    out = os.path.join(args.out, "britain")

    log("Britain master grid")
    mask = read_mask(args.data)
    cells = master_cells(mask)
    write(os.path.join(out, "ZONARIUM.SQS"), sqs_file(cells))
    with open(os.path.join(out, "ZONARIUM.SQS"), "rb") as f:
        back = parse_sqs(f.read())
    if back != {frame_position(*sq): n for sq, n in cells.items()}:
        raise SystemExit("ZONARIUM.SQS does not read back as written")
    log(f"  {len(cells)} cells (Great Britain and the Isle of Man, squares with any land)")

    log("Britain coastline")
    lines = coast_lines(args.data)
    write(os.path.join(out, "ZONARIUM.@50"), coastline_file(lines))
    with open(os.path.join(out, "ZONARIUM.@50"), "rb") as f:
        back = parse_coastline(f.read())
    if back != lines:
        raise SystemExit("ZONARIUM.@50 does not read back as written")
    points = sum(len(l) for l in lines) + len(lines) - 1
    log(f"  {len(lines)} lines, {sum(l[0] == l[-1] for l in lines)} of them closed, "
        f"{points} points with the breaks")
    check_coastline(lines, cells)

    log("Britain location names")
    check_projection(mask)
    units, towns = read_places(args.places)
    names, by = cell_names(cells, units, towns)
    log(f"  named after: {by}")
    write(os.path.join(out, "ZONARIUM.LOC"), loc_file(names))

    log("Britain sample datafile")
    taxa, dropped = read_butterflies(args.data, cells)
    data, code = datafile(taxa)
    write(os.path.join(out, SAMPLE), data)
    log(f"  {len(dropped)} records dropped on squares outside the grid "
        f"{sorted(set(h for _, h in dropped))}")
    got = datafile_counts(data, len(cells))
    want = britain_expected.write(args.data, args.counts)
    log(f"  {SAMPLE}: taxa {got[0]}, records {got[1]}, occupied cells {got[2]}")
    if (*got, len(cells)) != want[1:]:
        raise SystemExit(f"{SAMPLE}: datafile and grid give {(*got, len(cells))}, "
                         f"source CSVs give {want[1:]}")

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        rich = defaultdict(int)
        for cs in taxa.values():
            for n in cs:
                rich[n] += 1
        draw_preview(out, os.path.join(args.preview, "britain_grid.png"))
        draw_preview(out, os.path.join(args.preview, "britain_butterflies.png"), rich)
        log(f"  previews in {args.preview}")


if __name__ == "__main__":
    sys.exit(main())
