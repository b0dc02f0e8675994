#!/usr/bin/env python3
"""Write a data set of shared/data as a planning-unit folder.

  tools/marxan_folder.py SOURCE_DIR OUT_DIR [--target N]
  tools/marxan_folder.py --synthetic UNITS FEATURES OUT_DIR [--target N] [--seed S]

SOURCE_DIR holds data.csv (species,genus,family,lon,lat,cell_x,cell_y,value);
every occupied cell becomes a planning unit of cost 1 (ids from the cell's
x and y), every species a feature with the target N occurrences (default 1),
and each record an amount of 1. The benchmarks and tests solve the result.

--synthetic writes UNITS units on a square lattice (costs 1 to 10) and
FEATURES features whose ranges are random walks of log-normal length (median
3 % of the units), so that ranges are clumped as species ranges are; each
unit of a range holds an amount of 1, each feature has the target N.
"""
import csv
import math
import os
import random
import sys


def write_folder(out, title, units, features, amounts):
    """units: [(id, cost)], features: [(id, target, name)], amounts: sorted [(feature, unit)]."""
    os.makedirs(os.path.join(out, "input"), exist_ok=True)
    with open(os.path.join(out, "input.dat"), "w") as f:
        f.write("Planning-unit folder written from %s\n\nBLM 0\nNUMREPS 10\nSCENNAME output\n"
                "INPUTDIR input\nOUTPUTDIR output\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n"
                % title)
    with open(os.path.join(out, "input", "pu.dat"), "w") as f:
        f.write("id,cost,status\n")
        f.writelines("%d,%d,0\n" % u for u in units)
    with open(os.path.join(out, "input", "spec.dat"), "w") as f:
        f.write("id,target,spf,name\n")
        f.writelines('%d,%d,1,"%s"\n' % ft for ft in features)
    with open(os.path.join(out, "input", "puvspr.dat"), "w") as f:
        f.write("species,pu,amount\n")
        f.writelines("%d,%d,1\n" % a for a in amounts)


def synthetic(argv):
    units, nfeatures, out = int(argv[2]), int(argv[3]), argv[4]
    target = int(argv[argv.index("--target") + 1]) if "--target" in argv else 1
    rng = random.Random(int(argv[argv.index("--seed") + 1]) if "--seed" in argv else 7)
    side = int(math.isqrt(units))
    units = side * side
    amounts = []
    for ft in range(1, nfeatures + 1):
        want = min(max(1, int(rng.lognormvariate(math.log(0.03 * units), 1.0))), units // 4)
        at, cells = rng.randrange(units), set()
        for _ in range(20 * want):
            if len(cells) >= want:
                break
            cells.add(at)
            r, c, s = at // side, at % side, rng.randrange(4)
            if s == 0 and r > 0:
                at -= side
            elif s == 1 and r + 1 < side:
                at += side
            elif s == 2 and c > 0:
                at -= 1
            elif s == 3 and c + 1 < side:
                at += 1
        amounts.extend((ft, cell + 1) for cell in sorted(cells))
    write_folder(out, "synthetic", [(u, rng.randint(1, 10)) for u in range(1, units + 1)],
                 [(ft, target, "feature %d" % ft) for ft in range(1, nfeatures + 1)], amounts)


def main(argv):
    if len(argv) >= 5 and argv[1] == "--synthetic":
        return synthetic(argv)
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
    write_folder(out, os.path.basename(os.path.normpath(src)), [(n, 1) for n in sorted(ids.values())],
                 [(n, target, name) for name, n in sorted(species.items(), key=lambda kv: kv[1])],
                 sorted((sp, ids[cell]) for sp, cell in amounts))

if __name__ == "__main__":
    main(sys.argv)
