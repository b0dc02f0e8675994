"""World grid geometry and the byte layouts of Zonarium's program files.

Shared by the scripts that build programdata/. Everything here is written
field by field, little-endian, exactly as the program reads it.
"""

import struct
import unicodedata

COLUMNS = 36
ROWS = 24
CELLS = COLUMNS * ROWS
CARD = 1024

# Band edges (degrees) of the equal-area rows, north to south.
_NORTH = [90.0, 71.73333, 59.68333, 51.0, 43.68333, 37.2, 31.21667, 25.6,
          20.23333, 15.05, 9.98333, 4.98333, 0.0]
BANDS = _NORTH + [-v for v in reversed(_NORTH[:-1])]
assert len(BANDS) == ROWS + 1

# Coastline source units: 648 x 432, x from 4 eastwards starting at 30 W,
# y from 155 northwards; one grid cell is 18 x 18 units.
X0, Y0, UNIT = 4, 155, 18
X1, Y1 = X0 + COLUMNS * UNIT, Y0 + ROWS * UNIT  # 652, 587


def cell_number(col, row):
    """Cell number from 1-based column and row (rows counted from the north)."""
    return (row - 1) * COLUMNS + col


def col_row(n):
    return (n - 1) % COLUMNS + 1, (n - 1) // COLUMNS + 1


def frame_lon(lon):
    """Longitude east of the 30 W seam, 0 <= result < 360."""
    return (lon + 30.0) % 360.0


def column_of(lon):
    return int(frame_lon(lon) // 10.0) + 1


def row_of(lat):
    """Row holding latitude lat; a band holds its south edge (90 N goes to row 1)."""
    for r in range(1, ROWS + 1):
        if lat >= BANDS[r]:
            return r
    raise ValueError(lat)


def cell_bounds(n):
    """(west, east, south, north) of cell n in degrees, west/east as frame longitudes."""
    c, r = col_row(n)
    return 10.0 * (c - 1), 10.0 * c, BANDS[r], BANDS[r - 1]


def src_x(flon):
    """Source x of a frame longitude (0..360)."""
    return X0 + flon * 1.8


def src_y(lat):
    """Source y of a latitude: linear within each band, 18 units per band."""
    if lat >= 90.0:
        return float(Y1)
    if lat <= -90.0:
        return float(Y0)
    r = row_of(lat)
    north, south = BANDS[r - 1], BANDS[r]
    return Y1 - UNIT * (r - 1) - UNIT * (north - lat) / (north - south)


def lat_of_src_y(y):
    """Inverse of src_y."""
    k = min(ROWS - 1, max(0, int((Y1 - y) // UNIT)))
    north, south = BANDS[k], BANDS[k + 1]
    return north - (Y1 - UNIT * k - y) / UNIT * (north - south)


def cell_box_src(n):
    """(xmin, ymin, xmax, ymax) of cell n in source units."""
    c, r = col_row(n)
    return (X0 + UNIT * (c - 1), Y1 - UNIT * r, X0 + UNIT * c, Y1 - UNIT * (r - 1))


def ascii_text(s):
    """Plain ASCII form of a name (accents dropped), for the program's 8-bit text fields."""
    s = unicodedata.normalize("NFKD", s)
    s = "".join(ch for ch in s if not unicodedata.combining(ch))
    return s.encode("ascii", "replace").decode("ascii")


def _text_field(text, width, what):
    b = text.encode("ascii")
    if len(b) >= width or b"\0" in b:
        raise ValueError(f"{what} {text!r} does not fit {width - 1} characters")
    return b + b"\0" * (width - len(b))


def card(name, code, levels):
    """One 1024-byte taxon card; levels maps cell number (1..864) to a level 1..127."""
    if not code or "0" in code or len(code) > 31:
        raise ValueError(f"bad code {code!r}")
    if len(name) > 30:
        raise ValueError(f"name {name!r} longer than 30 characters")
    out = bytearray(CARD)
    out[0:32] = _text_field(name, 32, "name")
    out[32:63] = code.encode("ascii").ljust(31, b"0")
    out[63] = 0
    for n, v in levels.items():
        if not 1 <= n <= CELLS or not 1 <= v <= 127:
            raise ValueError(f"cell {n} level {v}")
        out[66 + n] = v
    assert len(out) == CARD
    return bytes(out)


def datafile(title, cards):
    """A whole datafile: taxa count, 32-byte title, the cards."""
    if len(cards) > 32767:
        raise ValueError("too many cards")
    return struct.pack("<h", len(cards)) + _text_field(title, 32, "title") + b"".join(cards)


def map_record(name, subdir, classes):
    """One grid type record; classes maps cell number to its background class."""
    if subdir != subdir.lower() or "\\" in subdir:
        raise ValueError(subdir)
    out = bytearray(CARD)
    out[0:32] = _text_field(name, 32, "grid type name")
    out[32:64] = _text_field(subdir, 32, "subdirectory")
    for n in range(1, CELLS + 1):
        out[66 + n] = classes.get(n, 0)
    assert len(out) == CARD
    return bytes(out)


def map_file(records):
    return struct.pack("<h", len(records)) + b"\0" * 32 + b"".join(records)


def loc_file(names):
    """Location names, cell 1 first: 17 characters space padded, NUL, '<', CR."""
    out = bytearray()
    for n in range(1, CELLS + 1):
        b = names[n].encode("ascii")
        if len(b) > 17:
            raise ValueError(f"location name {names[n]!r} longer than 17")
        out += b.ljust(17, b" ") + b"\0<\r"
    return bytes(out)


def coastline_file(line_points, seed_points):
    pts = list(line_points) + list(seed_points)
    if len(pts) > 2002:
        raise ValueError(f"{len(pts)} coastline points, at most 2002 are read")
    out = bytearray(struct.pack("<HH", len(line_points), len(seed_points)))
    for x, y in pts:
        out += struct.pack("<hh", x, y)
    return bytes(out)
