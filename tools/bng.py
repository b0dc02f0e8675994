"""British National Grid: WGS84 longitude/latitude to easting/northing, and grid references.

The conversion is the one PROJ applies for EPSG:4326 -> EPSG:27700 by default (the
seven-parameter Helmert shift to OSGB36, then the Ordnance Survey's transverse Mercator
series), to about a metre; the Britain build checks it against the square centres that
the land mask lists, which were converted with PROJ.
"""

import math

# Airy 1830 (OSGB36) and WGS84 ellipsoids
_AIRY = (6377563.396, 6356256.909)
_WGS84 = (6378137.0, 6356752.314245)
# WGS84 -> OSGB36, position-vector rotations (arc seconds), scale in ppm
_TX, _TY, _TZ = -446.448, 125.157, -542.060
_RX, _RY, _RZ = -0.150, -0.247, -0.842
_S = 20.489
# National Grid projection
_F0 = 0.9996012717
_LAT0, _LON0 = math.radians(49.0), math.radians(-2.0)
_E0, _N0 = 400000.0, -100000.0


def _to_cartesian(lat, lon, ellipsoid):
    a, b = ellipsoid
    e2 = 1 - (b * b) / (a * a)
    nu = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
    return (nu * math.cos(lat) * math.cos(lon), nu * math.cos(lat) * math.sin(lon),
            (1 - e2) * nu * math.sin(lat))


def _from_cartesian(x, y, z, ellipsoid):
    a, b = ellipsoid
    e2 = 1 - (b * b) / (a * a)
    p = math.hypot(x, y)
    lat = math.atan2(z, p * (1 - e2))
    for _ in range(10):
        nu = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
        lat = math.atan2(z + e2 * nu * math.sin(lat), p)
    return lat, math.atan2(y, x)


def _helmert(x, y, z):
    s = 1 + _S * 1e-6
    rx, ry, rz = (math.radians(v / 3600.0) for v in (_RX, _RY, _RZ))
    return (_TX + s * (x - rz * y + ry * z),
            _TY + s * (rz * x + y - rx * z),
            _TZ + s * (-ry * x + rx * y + z))


def _meridional_arc(lat, b, n):
    d, s = lat - _LAT0, lat + _LAT0
    return b * _F0 * ((1 + n + 1.25 * n * n + 1.25 * n ** 3) * d
                      - (3 * n + 3 * n * n + 21 / 8 * n ** 3) * math.sin(d) * math.cos(s)
                      + (15 / 8 * n * n + 15 / 8 * n ** 3) * math.sin(2 * d) * math.cos(2 * s)
                      - 35 / 24 * n ** 3 * math.sin(3 * d) * math.cos(3 * s))


def to_bng(lon_deg, lat_deg):
    """(easting, northing) in metres of a WGS84 longitude/latitude."""
    lat, lon = _from_cartesian(*_helmert(*_to_cartesian(
        math.radians(lat_deg), math.radians(lon_deg), _WGS84)), _AIRY)
    a, b = _AIRY
    e2 = 1 - (b * b) / (a * a)
    n = (a - b) / (a + b)
    sin, cos, tan = math.sin(lat), math.cos(lat), math.tan(lat)
    nu = a * _F0 / math.sqrt(1 - e2 * sin * sin)
    rho = a * _F0 * (1 - e2) / (1 - e2 * sin * sin) ** 1.5
    eta2 = nu / rho - 1
    t2 = tan * tan
    north = (_meridional_arc(lat, b, n) + _N0,
             nu / 2 * sin * cos,
             nu / 24 * sin * cos ** 3 * (5 - t2 + 9 * eta2),
             nu / 720 * sin * cos ** 5 * (61 - 58 * t2 + t2 * t2))
    east = (_E0,
            nu * cos,
            nu / 6 * cos ** 3 * (nu / rho - t2),
            nu / 120 * cos ** 5 * (5 - 18 * t2 + t2 * t2 + 14 * eta2 - 58 * t2 * eta2))
    dl = lon - _LON0
    return (sum(c * dl ** (2 * k - 1 if k else 0) for k, c in enumerate(east)),
            sum(c * dl ** (2 * k) for k, c in enumerate(north)))


_LETTERS = "ABCDEFGHJKLMNOPQRSTUVWXYZ"  # no I


def hectad(cell_x, cell_y):
    """Four-character reference of the 10 km square whose SW corner is at
    (10 km * cell_x, 10 km * cell_y), e.g. (53, 18) -> "TQ38"."""
    e100, n100 = cell_x // 10, cell_y // 10
    if not (0 <= e100 < 7 and 0 <= n100 < 13):
        raise ValueError(f"square {cell_x},{cell_y} lies outside the National Grid")
    # 500 km letter, false origin at S; then the 100 km letter within it
    first = (19 - n100) // 5 * 5 + (e100 + 10) // 5
    second = (19 - n100) * 5 % 25 + e100 % 5
    return f"{_LETTERS[first]}{_LETTERS[second]}{cell_x % 10}{cell_y % 10}"
