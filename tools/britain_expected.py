#!/usr/bin/python3
"""Counters the shipped Britain sample must show once loaded, from the source CSVs alone.

Written on purpose without the writer's code (britain.py): the grid is the mask's rows
of Great Britain and the Isle of Man with land, a record counts when its square is one
of them, and the species list's own range sizes must add up to the records.

Usage: britain_expected.py DATA_DIR OUT.csv
"""

import csv
import os
import sys

PATH = "britain/butterflies.dat"


def _rows(data_dir, *name):
    with open(os.path.join(data_dir, *name)) as f:
        yield from csv.DictReader(f)


def expected(data_dir):
    """(path, taxa, records, occupied cells, cells)."""
    grid = {(r["cell_x"], r["cell_y"]) for r in _rows(data_dir, "coastlines", "britain_mask_10km.csv")
            if r["not_gb"] == "0" and r["land_any"] == "1"}
    pairs = {(r["species"], r["cell_x"], r["cell_y"])
             for r in _rows(data_dir, "gb_butterflies_hectad", "data.csv")}
    ranges = sum(int(r["n_cells"]) for r in _rows(data_dir, "gb_butterflies_hectad", "species.csv"))
    if ranges != len(pairs):
        raise SystemExit(f"butterflies: species.csv ranges add up to {ranges}, "
                         f"data.csv holds {len(pairs)} records")
    kept = {(s, x, y) for s, x, y in pairs if (x, y) in grid}
    return (PATH, len({s for s, _, _ in kept}), len(kept),
            len({(x, y) for _, x, y in kept}), len(grid))


def write(data_dir, out):
    row = expected(data_dir)
    with open(out, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["path", "taxa", "records", "occupied_cells", "cells"])
        w.writerow(row)
    return row


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    print(*write(sys.argv[1], sys.argv[2]))
