"""Location names of the 864 world cells, from Natural Earth 1:50m countries.

A cell that holds land takes the name of the country (or dependent territory) with most
land in it; a cell of open sea takes the name of its ocean (rule in ocean_name).
"""

from shapely.geometry import Polygon, box
from shapely.ops import unary_union

import coast
import zgrid

# Natural Earth short names longer than the 17 characters a location name holds.
SHORT = {
    "Central African Rep.": "Central Afr. Rep.",
    "United Arab Emirates": "U.A.E.",
    "Fr. S. Antarctic Lands": "Fr. S. Antarctic",
    "Heard I. and McDonald Is.": "Heard I.",
    "Br. Indian Ocean Ter.": "Br. Indian Ocean",
    "S. Geo. and S. Sandw. Is.": "S. Georgia",
    "St. Pierre and Miquelon": "St. Pierre",
    "Sao Tome and Principe": "Sao Tome",
    "Turks and Caicos Is.": "Turks and Caicos",
    "Trinidad and Tobago": "Trinidad & Tobago",
    "St. Kitts and Nevis": "St. Kitts & Nevis",
    "Ashmore and Cartier Is.": "Ashmore I.",
    "Wallis and Futuna Is.": "Wallis & Futuna",
    "British Virgin Is.": "Br. Virgin Is.",
    "St. Vin. and Gren.": "St. Vincent",
}


def read_countries(path):
    """Countries from the text dump written by ne_countries.R."""
    countries, cur, ring = [], None, None
    with open(path, encoding="utf-8") as f:
        for s in f:
            s = s.rstrip("\n")
            if s.startswith("C\t"):
                fld = s.split("\t")
                cur = {"name": fld[2], "admin": fld[3], "subregion": fld[5],
                       "continent": fld[6], "rings": []}
                countries.append(cur)
            elif s.startswith("R\t"):
                ring = [s.split("\t")[1] == "1", []]
                cur["rings"].append(ring)
            elif s:
                x, y = map(float, s.split())
                ring[1].append((x, y))
    for c in countries:
        shells = [Polygon(r[1]).buffer(0) for r in c["rings"] if not r[0]]
        holes = [Polygon(r[1]).buffer(0) for r in c["rings"] if r[0]]
        g = unary_union(shells)
        if holes:
            g = g.difference(unary_union(holes))
        c["geom"] = g
        c["label"] = short_name(c["name"])
    return countries


def short_name(name):
    s = zgrid.ascii_text(name)
    s = SHORT.get(s, s)
    if len(s) > 17:
        raise SystemExit(f"country name {s!r} needs a short form of at most 17 characters")
    return s


def ocean_name(n):
    """Ocean of a cell without land, from its centre.

    Conventional limits: the Southern Ocean south of 60 S, the Arctic north of the Arctic
    Circle; the Atlantic meets the Indian Ocean at 20 E and the Pacific at Cape Horn (67 W)
    in the south; in the north the Americas part the Atlantic from the Pacific (their
    Pacific coast lies west of 80 W south of 10 N and west of 90 W further north), and the
    Indian Ocean lies between Africa (20 E) and the Malay Peninsula (100 E).
    """
    w, e, s, nn = zgrid.cell_bounds(n)
    lon = (w + e) / 2 - 30.0
    if lon >= 180.0:
        lon -= 360.0
    lat = (s + nn) / 2
    if lat < -60.0:
        return "Southern Ocean"
    if lat > 66.56:
        return "Arctic Ocean"
    if lat < 0:
        if -67.0 <= lon < 20.0:
            return "S Atlantic Ocean"
        if 20.0 <= lon < 147.0:
            return "Indian Ocean"
        return "S Pacific Ocean"
    if 20.0 <= lon < 100.0:
        return "Indian Ocean"
    if lon >= 100.0 or lon < (-80.0 if lat < 10.0 else -90.0):
        return "N Pacific Ocean"
    return "N Atlantic Ocean"


def cell_names(countries, land, log=print):
    """Name per cell number, and the country record chosen for each land cell."""
    src = [(c, coast.to_source_units(c["geom"])) for c in countries]
    names, owner = {}, {}
    for n in range(1, zgrid.CELLS + 1):
        if n not in land:
            names[n] = ocean_name(n)
            continue
        cell = box(*zgrid.cell_box_src(n))
        best, area = None, 0.0
        for c, g in src:
            if g.intersects(cell):
                a = g.intersection(cell).area
                if a > area:
                    best, area = c, a
        if best is None:
            # Land on the coastline that no country polygon quite reaches: nearest country.
            best = min(src, key=lambda cg: cg[1].distance(cell))[0]
            log(f"  cell {n}: coast land outside every country polygon, named after {best['label']}")
        names[n] = best["label"]
        owner[n] = best
    return names, owner
