#!/bin/sh
# Rebuild programdata/ (and tests/data/shipped_samples.csv, tests/data/shipped_britain.csv)
# from shared/data, the Natural Earth data in Debian's r-cran-rnaturalearthdata and the
# towns of r-cran-maps.
#   tools/build_programdata.sh            rebuild in place
#   tools/build_programdata.sh --check    rebuild in a scratch folder and compare
#   DATA=/path/to/shared/data PREVIEW=/tmp/zonarium-preview tools/build_programdata.sh
# Needs: apt-get install r-base-core r-cran-rnaturalearthdata r-cran-sp r-cran-maps \
#                        python3-shapely python3-pil python3-numpy
set -eu

TOOLS=$(cd "$(dirname "$0")" && pwd)
REPO=$(dirname "$TOOLS")
DATA=${DATA:-$REPO/../shared/data}
PY=${PYTHON:-/usr/bin/python3}   # Debian's interpreter, which sees the python3-* packages
PREVIEW=${PREVIEW:-}
MODE=${1:-build}

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

Rscript "$TOOLS/ne_countries.R" "$WORK/countries50.txt"
Rscript "$TOOLS/gb_places.R" "$WORK/gb_places.txt"

if [ "$MODE" = "--check" ]; then
    OUT=$WORK/programdata
    COUNTS=$WORK/shipped_samples.csv
    COUNTS_GB=$WORK/shipped_britain.csv
else
    OUT=$REPO/programdata
    COUNTS=$REPO/tests/data/shipped_samples.csv
    COUNTS_GB=$REPO/tests/data/shipped_britain.csv
fi

set -- --data "$DATA" --countries "$WORK/countries50.txt" --out "$OUT" --counts "$COUNTS"
if [ -n "$PREVIEW" ]; then
    set -- "$@" --preview "$PREVIEW"
fi
"$PY" -B "$TOOLS/build.py" "$@"

# The Britain-grid program's folder programdata/britain/
set -- --data "$DATA" --places "$WORK/gb_places.txt" --out "$OUT" --counts "$COUNTS_GB"
if [ -n "$PREVIEW" ]; then
    set -- "$@" --preview "$PREVIEW"
fi
"$PY" -B "$TOOLS/britain.py" "$@"

# The projects' basemap: the Natural Earth 1:50m coastline as it is.
mkdir -p "$OUT/basemap"
cp "$DATA/coastlines/world_coast_ne50.txt" "$OUT/basemap/world_coast.txt"

if [ "$MODE" = "--check" ]; then
    # README.md and the help manual are written by hand; every other shipped
    # file must come out identical.
    if diff -r -x README.md -x help "$REPO/programdata" "$OUT" &&
       cmp "$REPO/tests/data/shipped_samples.csv" "$COUNTS" &&
       cmp "$REPO/tests/data/shipped_britain.csv" "$COUNTS_GB"; then
        echo "programdata/ and tests/data/shipped_*.csv match a fresh build"
    else
        echo "programdata/ differs from a fresh build" >&2
        exit 1
    fi
fi
