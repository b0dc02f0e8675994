#!/bin/sh
# GDAL's ogrinfo reads the GeoPackage the tool exports: both layers, their
# feature counts and the map metadata.
# Usage: ogrinfo_check.sh ZONARIUM PROGRAMDATA
set -eu
zonarium=$1

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$zonarium" --home "$dir/home" export-gis "$dir/home/equal/carnivora.dat" --select near-minimum --out "$dir/map.gpkg" >/dev/null
ogrinfo -ro -so -al "$dir/map.gpkg" >"$dir/info.txt"
fail=0
for want in "Layer name: cells" "Feature Count: 864" "Layer name: taxa" "Feature Count: 288" \
            "map_title=near-minset" "data_title=Carnivora world, PHYLACINE 1.2" "Geometry: Multi Polygon"; do
  if ! grep -q "$want" "$dir/info.txt"; then
    echo "ogrinfo does not show: $want"
    fail=1
  fi
done
[ "$fail" = 0 ] || { cat "$dir/info.txt"; exit 1; }
echo "ogrinfo reads both layers"
