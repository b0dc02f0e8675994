#!/usr/bin/python3
"""Build the shipped program folder programdata/ from shared/data and Natural Earth.

Usage: build.py --data DIR --countries FILE --out DIR --counts FILE [--preview DIR]
(tools/build_programdata.sh passes the usual paths). Writes ZONARIUM.@17, ZONARIUM.MAP,
one ZONARIUM.LOC per grid type subdirectory and the sample datafiles, and checks them.
"""

import argparse
import os
import struct
import sys

from shapely.geometry import box

import coast
import expected_counts
import names
import samples
import zgrid

# Grid types in file order; the two world grids come first.
# (display name, subdirectory, rule for a cell's class 1 besides its sample's cells)
WORLD_LAND = ("World land cells", "equal")
WORLD_ALL = ("World all cells", "ravelund")
REGIONS = [
    ("Neotropics", "neotrop",
     lambda c: c["subregion"] in ("South America", "Central America", "Caribbean")),
    ("Southern Africa", "safrica", lambda c: c["subregion"] == "Southern Africa"),
    ("Australia", "austral", lambda c: c["name"] == "Australia"),
]


def log(*a):
    print(*a, flush=True)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    log(f"  wrote {path} ({len(data)} bytes)")


def outlines_in_file(path):
    """The closed outlines of a written coastline file, split at the break markers."""
    with open(path, "rb") as f:
        data = f.read()
    a, b = struct.unpack_from("<HH", data, 0)
    pts = [struct.unpack_from("<hh", data, 4 + 4 * i) for i in range(a + b)]
    outs, cur = [], []
    for p in pts[:a]:
        if p == coast.BREAK:
            outs.append(cur)
            cur = []
        else:
            cur.append(p)
    outs.append(cur)
    return outs, pts[a:]


def check_coastline(path, land, log=log):
    """Every land cell of "equal" must lie inside or on a land outline of the shipped file."""
    outs, seeds = outlines_in_file(path)
    for o in outs:
        if len(o) < 4 or o[0] != o[-1]:
            raise SystemExit(f"LAND CHECK FAILED: outline starting {o[:1]} is not closed")
    bad = coast.uncovered(land, outs)
    if bad:
        raise SystemExit(f"LAND CHECK FAILED: land cells {bad} lie outside every land outline")
    log(f"  land check: all {len(land)} land cells lie inside or on a land outline")
    drawn_land = coast.shipped_geometry(outs)
    extra = [n for n in range(1, zgrid.CELLS + 1) if n not in land and
             drawn_land.intersection(box(*zgrid.cell_box_src(n))).area > 0]
    log(f"  sea cells the simplified outline reaches into: {len(extra)} {extra}")
    for s in seeds:
        if drawn_land.contains(box(s[0], s[1], s[0], s[1]).centroid):
            raise SystemExit(f"sea seed {s} lies on land")
    return outs, seeds


def datafile_counts(path):
    """taxa, records and occupied cells as the program's recount finds them."""
    with open(path, "rb") as f:
        data = f.read()
    taxa = struct.unpack_from("<h", data, 0)[0]
    records, occupied = 0, set()
    for k in range(taxa):
        card = data[34 + 1024 * k: 34 + 1024 * (k + 1)]
        if card[62:63] != b"0" and k < 3:
            raise SystemExit(f"{path}: card {k} fails the format signature")
        for n in range(1, zgrid.CELLS + 1):
            v = struct.unpack_from("<b", card, 66 + n)[0]
            if v != 0:
                occupied.add(n)
            if v > 0:
                records += 1
    return taxa, records, len(occupied)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--data", required=True)
    ap.add_argument("--countries", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--counts", required=True)
    ap.add_argument("--preview")
    args = ap.parse_args()
    out = args.out

    log("land from the Natural Earth 1:50m coastline")
    countries = names.read_countries(args.countries)
    union = coast.unary_union([c["geom"] for c in countries])
    lines = coast.read_polylines(os.path.join(args.data, "coastlines", "world_coast_ne50.txt"))
    land_ll = coast.land_polygons(lines, union)
    land_src = coast.to_source_units(land_ll)
    land = coast.land_cells(land_src)
    log(f"  {len(land)} of {zgrid.CELLS} cells hold land")

    log("coastline")
    tol, line_pts, seeds, _ = coast.fit(land_src, land, log=log)
    write(os.path.join(out, "ZONARIUM.@17"), zgrid.coastline_file(line_pts, seeds))
    log(f"  A = {len(line_pts)} line points, B = {len(seeds)} sea seeds, "
        f"total {len(line_pts) + len(seeds)}, tolerance {tol:.3f} units")
    check_coastline(os.path.join(out, "ZONARIUM.@17"), land)

    log("location names")
    cell_names, owner = names.cell_names(countries, land, log=log)
    loc = zgrid.loc_file(cell_names)

    log("samples")
    samples.check_carnivora_binning(args.data, log=log)
    built = {s.subdir: (s, *samples.build(args.data, s)) for s in samples.SAMPLES}

    log("grid types")
    grids = [(WORLD_LAND[0], WORLD_LAND[1], {n: 1 for n in land}),
             (WORLD_ALL[0], WORLD_ALL[1], {n: 1 for n in range(1, zgrid.CELLS + 1)})]
    for name, sub, rule in REGIONS:
        region = {n for n, c in owner.items() if rule(c)}
        data_cells = {n for cells in built[sub][3].values() for n in cells}
        log(f"  {sub}: {len(region)} cells by country, {len(data_cells - region)} more "
            f"holding the sample's records")
        grids.append((name, sub, {n: 1 for n in region | data_cells}))
    for name, sub, classes in grids:
        log(f"  {sub:9} {name:18} {sum(classes.values())} cells of class 1")
    write(os.path.join(out, "ZONARIUM.MAP"),
          zgrid.map_file([zgrid.map_record(n, s, c) for n, s, c in grids]))
    for _, sub, _ in grids:
        write(os.path.join(out, sub, "ZONARIUM.LOC"), loc)

    log("datafiles")
    for sub, (s, cards, widths, taxa) in built.items():
        path = os.path.join(out, s.path)
        write(path, zgrid.datafile(s.title, cards))
        classes = dict((g[1], g[2]) for g in grids)[sub]
        outside = {n for cells in taxa.values() for n in cells if not classes.get(n)}
        log(f"  {s.path}: code levels {widths}, {len(outside)} occupied cells outside "
            f"the grid type's class 1 cells {sorted(outside)}")

    log("expected counters")
    rows = expected_counts.write(args.data, args.counts)
    for path, want in rows:
        got = datafile_counts(os.path.join(out, path))
        log(f"  {path}: taxa {got[0]}, records {got[1]}, occupied cells {got[2]}")
        if got != want:
            raise SystemExit(f"{path}: datafile gives {got}, source CSV gives {want}")

    if args.preview:
        import preview
        os.makedirs(args.preview, exist_ok=True)
        coastfile = os.path.join(out, "ZONARIUM.@17")
        outs, _ = outlines_in_file(coastfile)
        for scale, pen in ((1.0, 3), (0.4, 1)):
            before, after = preview.draw_filled(coastfile, os.path.join(
                args.preview, f"world_filled_{int(scale * 100)}.png"), scale, pen)
            leaks = preview.fill_errors(before, after, outs, scale)
            log(f"  sea fill at scale {scale}: {len(leaks)} land outlines flooded {leaks}")
        for k, (_, sub, _) in enumerate(grids):
            preview.draw_cells(coastfile, os.path.join(out, "ZONARIUM.MAP"), k,
                               os.path.join(args.preview, f"grid_{sub}.png"))
        log(f"  previews in {args.preview}")


if __name__ == "__main__":
    sys.exit(main())
