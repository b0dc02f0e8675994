#!/usr/bin/env python3
"""Writes the expected export texts of tests/interchange/dataio_test.cpp.

The bytes follow the export layouts' own formats, applied here by hand to the
two small datasets of dataio_fixture.h, apart from the program's code.
Run from the source root after a deliberate change:
    python3 tests/interchange/make_expected.py
"""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "data", "interchange")
RULE = "=" * 77
CELLS = {1: "AA01 Aird", 2: "AA02 Bree", 3: "AB01 Carn", 4: "AB02 Dun", 5: "AC01 Eske", 6: "AC02 Fell"}
LOC = {n: name.ljust(17) for n, name in CELLS.items()}  # location names are 17-character fields
THREE = [("Canis lupus", "1", {1: 2, 3: 1}), ("Vulpes vulpes", "12", {3: 2, 6: 4}), ("Ursus", "2", {})]


def code(c):
    return (c + "0" * 31)[:31].replace("0", ".")


def header(title):
    return "\n ZONARIUM version 4.19.25\n\n Summary of dataset: %s.\n" % title + RULE + "\n"


def write(name, text):
    with open(os.path.join(OUT, name), "w", newline="") as f:
        f.write(text)


matrix = ""
for c in range(1, 7):
    matrix += "".join(" %d" % t[2].get(c, 0) for t in THREE) + "\n"
write("dataio_matrix.txt", matrix + "\n")

taxa = header("Tiny data")
for i, (name, c, lv) in enumerate(THREE, 1):
    taxa += "%5d.  %-31s %5d (%s)\n" % (i, name, len(lv), code(c))
write("dataio_taxa.txt", taxa + "\n" + RULE + "\n")

areas = header("Tiny data")
for i, (name, c, lv) in enumerate(THREE, 1):
    areas += "%3d.  %-31s (%s)\n" % (i, name, code(c))
    for cell in sorted(lv):
        areas += "%10d  %d %s\n" % (cell, lv[cell], LOC[cell])
    areas += "\n"
write("dataio_areas_by_taxa.txt", areas + "\n" + RULE + "\n")

byarea = header("Tiny data")
for cell in range(1, 7):
    here = [(n, lv[cell]) for n, _, lv in THREE if cell in lv]
    if here:
        byarea += "\narea %d:  %s\n" % (cell, LOC[cell])
        byarea += "".join("   %d %s\n" % (v, n) for n, v in here)
write("dataio_taxa_by_areas.txt", byarea + "\n" + RULE + "\n")

text = numbers = ""
for i, (name, c, lv) in enumerate(THREE, 1):
    words = name.split(" ", 1)
    lead, rest = (words[0], words[1]) if len(words) == 2 else (words[0], "sp.")
    for cell in sorted(lv):
        text += '"%s","%s","%d"\n' % (lead, rest, cell)
        numbers += "%d,%d\n" % (i, cell)
write("dataio_comma_text.txt", text)
write("dataio_comma_numbers.txt", numbers)

# TWINSPAN: nine trees in cell 2 (species 1-9), species 1 and 5 in cell 5.
tw = "Trees\n" + "(I5,5X,7(I4,F3.0))".ljust(69) + "7"
tw += "\n    1     " + "".join("%4d  1" % k for k in range(1, 8))
tw += "\n    1     " + "".join("%4d  1" % k for k in (8, 9))
tw += "\n    2     " + "".join("%4d  1" % k for k in (1, 5))
tw += "\n    0\n"
trees = ["Abies alba", "Acer campestre", "Betula pendula", "Carpinus betulus", "Fagus sylvatica",
         "Fraxinus excelsior", "Pinus sylvestris", "Quercus robur", "Tilia cordata"]
tw += "".join(n[:8].ljust(8) for n in trees) + "\n"
tw += "   2AA02   5AC01\n"
write("dataio_twinspan.txt", tw)

# DMAP of Canis lupus and Vulpes vulpes: level 1 keeps its digit, others are "A".
dis = "1\nAA01 A\nAB01 1\n-1\n2\nAB01 A\nAC02 A\n-1\n"
write("dataio_dmap.dis", dis)
write("dataio_dmap.nam", "1 Canis lupus\n2 Vulpes vulpes\n")
