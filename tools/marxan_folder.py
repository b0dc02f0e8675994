#!/usr/bin/env python3
"""Write a data set of shared/data as a planning-unit folder.

  tools/marxan_folder.py SOURCE_DIR OUT_DIR [--target N] [--amounts] [--prop LO HI] [--blm B]
  tools/marxan_folder.py --synthetic UNITS FEATURES OUT_DIR [--target N] [--seed S] [--amounts]
                         [--prop LO HI] [--blm B]

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


class Options:
    """The switches shared by both forms."""

    def __init__(self, argv):
        self.target = int(argv[argv.index("--target") + 1]) if "--target" in argv else 1
        self.amounts = "--amounts" in argv
        self.prop = (float(argv[argv.index("--prop") + 1]), float(argv[argv.index("--prop") + 2])) \
            if "--prop" in argv else None
        self.blm = float(argv[argv.index("--blm") + 1]) if "--blm" in argv else None
        self.seed = int(argv[argv.index("--seed") + 1]) if "--seed" in argv else 7


def write_folder(out, title, units, features, amounts, opts, cells=None):
    """units: [(id, cost)], features: [(id, name)], amounts: sorted [(feature, unit, amount)],
    cells: {(x, y): unit id} for the boundary file."""
    os.makedirs(os.path.join(out, "input"), exist_ok=True)
    bound = opts.blm is not None and cells is not None
    with open(os.path.join(out, "input.dat"), "w") as f:
        f.write("Planning-unit folder written from %s\n\nBLM %g\nNUMREPS 10\nSCENNAME output\n"
                "INPUTDIR input\nOUTPUTDIR output\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n"
                % (title, opts.blm if bound else 0))
        if bound:
            f.write("BOUNDNAME bound.dat\n")
    with open(os.path.join(out, "input", "pu.dat"), "w") as f:
        f.write("id,cost,status\n")
        f.writelines("%d,%d,0\n" % u for u in units)
    rng = random.Random(opts.seed)
    with open(os.path.join(out, "input", "spec.dat"), "w") as f:
        if opts.prop:
            f.write("id,prop,spf,name\n")
            f.writelines('%d,%.2f,1,"%s"\n' % (n, rng.uniform(*opts.prop), name) for n, name in features)
        else:
            f.write("id,target,spf,name\n")
            f.writelines('%d,%d,1,"%s"\n' % (n, opts.target, name) for n, name in features)
    with open(os.path.join(out, "input", "puvspr.dat"), "w") as f:
        f.write("species,pu,amount\n")
        f.writelines("%d,%d,%d\n" % (sp, u, a if opts.amounts else 1) for sp, u, a in amounts)
    if bound:
        with open(os.path.join(out, "input", "bound.dat"), "w") as f:
            f.write("id1,id2,boundary\n")
            for (x, y), n in sorted(cells.items(), key=lambda kv: kv[1]):
                for nb in ((x + 1, y), (x, y + 1)):
                    if nb in cells:
                        f.write("%d,%d,1\n" % (n, cells[nb]))


def synthetic(argv):
    units, nfeatures, out = int(argv[2]), int(argv[3]), argv[4]
    opts = Options(argv)
    rng = random.Random(opts.seed)
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
        amounts.extend((ft, cell + 1, rng.randint(1, 20) if opts.amounts else 1) for cell in sorted(cells))
    write_folder(out, "synthetic", [(u, rng.randint(1, 10)) for u in range(1, units + 1)],
                 [(ft, "feature %d" % ft) for ft in range(1, nfeatures + 1)], amounts, opts,
                 {(u % side, u // side): u + 1 for u in range(units)})


def main(argv):
    if len(argv) >= 5 and argv[1] == "--synthetic":
        return synthetic(argv)
    if len(argv) < 3:
        sys.exit(__doc__)
    src, out = argv[1], argv[2]
    opts = Options(argv)
    units, species, amounts = set(), {}, {}
    with open(os.path.join(src, "data.csv"), newline="") as f:
        for row in csv.DictReader(f):
            cell = (int(row["cell_x"]), int(row["cell_y"]))
            units.add(cell)
            sp = species.setdefault(row["species"], len(species) + 1)
            # A species recorded twice in a cell holds both amounts there.
            amounts[(sp, cell)] = amounts.get((sp, cell), 0) + max(1, round(float(row["value"] or 1)))
    ids = {cell: n + 1 for n, cell in enumerate(sorted(units))}
    write_folder(out, os.path.basename(os.path.normpath(src)), [(n, 1) for n in sorted(ids.values())],
                 [(n, name) for name, n in sorted(species.items(), key=lambda kv: kv[1])],
                 sorted((sp, ids[cell], a) for (sp, cell), a in amounts.items()), opts, ids)

if __name__ == "__main__":
    main(sys.argv)
