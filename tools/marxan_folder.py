#!/usr/bin/env python3
"""Write a data set of shared/data as a planning-unit folder.

  tools/marxan_folder.py SOURCE_DIR OUT_DIR [--target N]

SOURCE_DIR holds data.csv (species,genus,family,lon,lat,cell_x,cell_y,value);
every occupied cell becomes a planning unit of cost 1 (ids from the cell's
x and y), every species a feature with the target N occurrences (default 1),
and each record an amount of 1. The benchmarks and tests solve the result.
"""
import csv
import os
import sys


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    src, out = argv[1], argv[2]
    target = int(argv[argv.index("--target") + 1]) if "--target" in argv else 1
    units, species, amounts = set(), {}, set()
    with open(os.path.join(src, "data.csv"), newline="") as f:
        for row in csv.DictReader(f):
            units.add((int(row["cell_x"]), int(row["cell_y"])))
            sp = species.setdefault(row["species"], len(species) + 1)
            amounts.add((sp, (int(row["cell_x"]), int(row["cell_y"]))))
    ids = {cell: n + 1 for n, cell in enumerate(sorted(units))}
    os.makedirs(os.path.join(out, "input"), exist_ok=True)
    with open(os.path.join(out, "input.dat"), "w") as f:
        f.write("Planning-unit folder written from %s\n\nBLM 0\nNUMREPS 10\nSCENNAME output\n"
                "INPUTDIR input\nOUTPUTDIR output\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n"
                % os.path.basename(os.path.normpath(src)))
    with open(os.path.join(out, "input", "pu.dat"), "w") as f:
        f.write("id,cost,status\n")
        for cell, n in sorted(ids.items(), key=lambda kv: kv[1]):
            f.write("%d,1,0\n" % n)
    with open(os.path.join(out, "input", "spec.dat"), "w") as f:
        f.write("id,target,spf,name\n")
        for name, n in sorted(species.items(), key=lambda kv: kv[1]):
            f.write('%d,%d,1,"%s"\n' % (n, target, name))
    with open(os.path.join(out, "input", "puvspr.dat"), "w") as f:
        f.write("species,pu,amount\n")
        for sp, cell in sorted((sp, ids[cell]) for sp, cell in amounts):
            f.write("%d,%d,1\n" % (sp, cell))


if __name__ == "__main__":
    main(sys.argv)
