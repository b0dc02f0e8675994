"""Sample datafiles converted from the real data sets in shared/data.

Each record of a source data set is a species in one of its own grid cells; the cell's
centre (lon, lat) puts it in one cell of the 36 x 24 world grid. Taxonomic codes give one
level each to family, genus and species, so the tree measures can read them.
"""

import csv
import os
from collections import defaultdict

import zgrid

# Characters for one code level, in ASCII order so that codes sort like the names.
# '0' is left out: it ends a code.
ALPHABET = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"


class Sample:
    def __init__(self, subdir, filename, title, source, quantitative=False, keep=None):
        self.subdir, self.filename, self.title = subdir, filename, title
        self.source, self.quantitative, self.keep = source, quantitative, keep
        if len(title) > 31 or title.startswith("*") != quantitative:
            raise ValueError(title)

    @property
    def path(self):
        return f"{self.subdir}/{self.filename}"


def _marine(data_dir):
    with open(os.path.join(data_dir, "carnivora_world", "species.csv")) as f:
        return {r["species"] for r in csv.DictReader(f) if r["marine"] == "1"}


SAMPLES = [
    Sample("equal", "carnivora.dat", "Carnivora world, PHYLACINE 1.2", "carnivora_world"),
    Sample("ravelund", "marine.dat", "Marine carnivores, PHYLACINE", "carnivora_world",
           keep=_marine),
    Sample("neotrop", "phyllomedusa.dat", "Phyllomedusa frogs, letsR IUCN",
           "phyllomedusa_frogs"),
    Sample("safrica", "woody.dat", "S Afr woody plants, Daru 2015", "southern_africa_woody"),
    Sample("austral", "acacia.dat", "*Acacia specimens, Mishler 2014", "acacia_australia",
           quantitative=True),
]


def world_cell(lon, lat):
    return zgrid.cell_number(zgrid.column_of(lon), zgrid.row_of(lat))


def read_taxa(data_dir, sample):
    """{(family, genus, species): {cell: summed value}} of one sample."""
    keep = sample.keep(data_dir) if sample.keep else None
    taxa = defaultdict(lambda: defaultdict(int))
    with open(os.path.join(data_dir, sample.source, "data.csv")) as f:
        for r in csv.DictReader(f):
            if keep is not None and r["species"] not in keep:
                continue
            n = world_cell(float(r["lon"]), float(r["lat"]))
            taxa[(r["family"], r["genus"], r["species"])][n] += int(float(r["value"]))
    return taxa


def check_carnivora_binning(data_dir, log=print):
    """The world cells found from the cell centres must be the ones the data set lists."""
    base = os.path.join(data_dir, "carnivora_world")
    with open(os.path.join(base, "cells.csv")) as f:
        for r in csv.DictReader(f):
            mine = world_cell(float(r["lon"]), float(r["lat"]))
            given = int(r["world_row"]) * zgrid.COLUMNS + int(r["world_col"]) + 1
            if mine != given:
                raise SystemExit(f"carnivora cell {r['cell_id']}: centre in cell {mine}, "
                                 f"data set says {given}")
    log("  carnivora: every source cell falls in the world cell its cells.csv names")


def rescale(cells):
    """Counts to levels 1..100: ceil(100 * count / largest count of the taxon)."""
    top = max(cells.values())
    return {n: (100 * v + top - 1) // top for n, v in cells.items()}


def _level_width(groups):
    """Characters one level needs: 1 while the alphabet suffices, else 2."""
    most = max(len(g) for g in groups)
    if most <= len(ALPHABET):
        return 1
    if most <= len(ALPHABET) ** 2:
        return 2
    raise SystemExit(f"{most} members in one group: too many for a code level")


def _symbol(i, width):
    if width == 1:
        return ALPHABET[i]
    return ALPHABET[i // len(ALPHABET)] + ALPHABET[i % len(ALPHABET)]


def codes(keys):
    """Code per (family, genus, species): one level each, the family level only when the
    source names families. Members of a level are numbered in alphabetical order."""
    with_family = any(k[0] for k in keys)
    paths = [((k[0], k[1], k[2]) if with_family else (k[1], k[2])) for k in keys]
    depth = len(paths[0])
    # children[level][parent prefix] = sorted member names
    children = [defaultdict(set) for _ in range(depth)]
    for p in paths:
        for lv in range(depth):
            children[lv][p[:lv]].add(p[lv])
    widths = [_level_width(children[lv].values()) for lv in range(depth)]
    index = [{pre: {m: i for i, m in enumerate(sorted(ms))} for pre, ms in children[lv].items()}
             for lv in range(depth)]
    out = {}
    for k, p in zip(keys, paths):
        out[k] = "".join(_symbol(index[lv][p[:lv]][p[lv]], widths[lv]) for lv in range(depth))
    return out, widths


def card_name(species, genus):
    """At most 30 characters: a long name gets its genus shortened to the initial."""
    if len(species) <= 30:
        return species
    short = genus[0] + ". " + species[len(genus):].strip() if species.startswith(genus) else species
    return short[:30]


def build(data_dir, sample):
    """Cards of one sample in code order, and the codes' level widths."""
    taxa = read_taxa(data_dir, sample)
    code, widths = codes(list(taxa))
    cards, names = [], set()
    for key in sorted(taxa, key=lambda k: code[k]):
        cells = taxa[key]
        levels = rescale(cells) if sample.quantitative else {n: 1 for n in cells}
        name = zgrid.ascii_text(card_name(key[2], key[1]))
        if name in names:
            raise SystemExit(f"{sample.path}: two taxa named {name!r}")
        names.add(name)
        cards.append(zgrid.card(name, code[key], levels))
    return cards, widths, taxa
