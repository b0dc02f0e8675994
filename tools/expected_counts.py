#!/usr/bin/python3
"""Counters each shipped sample datafile must show once loaded, from the source CSVs alone.

Written on purpose without the datafile writer's code: the carnivores come from the world
cells the data set itself lists (cells.csv world_col/world_row, summed in world10.csv),
the other data sets are binned here with their own small lookup, so a slip in either
path shows up as a difference.

Usage: expected_counts.py DATA_DIR OUT.csv
"""

import bisect
import csv
import os
import sys

# Northern edges of the 24 equal-area rows, as the data sets' READMEs list them.
_EDGES_N = [90.0, 71.73333, 59.68333, 51.0, 43.68333, 37.2, 31.21667, 25.6, 20.23333,
            15.05, 9.98333, 4.98333, 0.0]
_ASCENDING = sorted(set(_EDGES_N + [-e for e in _EDGES_N]))  # -90 .. 90, 25 values


def _cell(lon, lat):
    col = int(((lon + 30.0) % 360.0) // 10.0)            # 0 = 30 W .. 20 W
    south_edge = bisect.bisect_right(_ASCENDING, lat) - 1  # a band holds its south edge
    row = 23 - min(south_edge, 23)                         # 0 = northernmost
    return row * 36 + col + 1


def _rows(data_dir, name, fname="data.csv"):
    with open(os.path.join(data_dir, name, fname)) as f:
        yield from csv.DictReader(f)


def _counts(pairs):
    pairs = set(pairs)
    return len({s for s, _ in pairs}), len(pairs), len({c for _, c in pairs})


def carnivora(data_dir, marine_only):
    where = {(r["cell_x"], r["cell_y"]): int(r["world_row"]) * 36 + int(r["world_col"]) + 1
             for r in _rows(data_dir, "carnivora_world", "cells.csv")}
    marine = {r["species"] for r in _rows(data_dir, "carnivora_world", "species.csv")
              if r["marine"] == "1"}
    pairs = [(r["species"], where[(r["cell_x"], r["cell_y"])])
             for r in _rows(data_dir, "carnivora_world")
             if not marine_only or r["species"] in marine]
    return _counts(pairs)


def binned(data_dir, name):
    return _counts((r["species"], _cell(float(r["lon"]), float(r["lat"])))
                   for r in _rows(data_dir, name))


def world10_summary(data_dir):
    """Records and occupied cells by the data set's own 10-degree summary."""
    rich = [int(r["richness"]) for r in _rows(data_dir, "carnivora_world", "world10.csv")]
    return sum(rich), sum(1 for v in rich if v > 0)


def expected(data_dir):
    rows = [
        ("equal/carnivora.dat", carnivora(data_dir, False)),
        ("ravelund/marine.dat", carnivora(data_dir, True)),
        ("neotrop/phyllomedusa.dat", binned(data_dir, "phyllomedusa_frogs")),
        ("safrica/woody.dat", binned(data_dir, "southern_africa_woody")),
        ("austral/acacia.dat", binned(data_dir, "acacia_australia")),
    ]
    records, occupied = world10_summary(data_dir)
    if rows[0][1][1:] != (records, occupied):
        raise SystemExit(f"carnivora: {rows[0][1][1:]} records/occupied cells from cells.csv, "
                         f"world10.csv says {(records, occupied)}")
    return rows


def write(data_dir, out):
    rows = expected(data_dir)
    with open(out, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["path", "taxa", "records", "occupied_cells"])
        for path, (taxa, records, occupied) in rows:
            w.writerow([path, taxa, records, occupied])
    return rows


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    for path, c in write(sys.argv[1], sys.argv[2]):
        print(path, *c)
