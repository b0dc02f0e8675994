#!/bin/sh
# Makes a project of each real dataset at its own resolution with the tool's
# own commands, solves its exact minimum set through a planning-unit folder,
# and prints one line per dataset: units, occurrences, the CPU time (user +
# system; the machine may be shared) to make the project, the minimum found,
# the minimum its README gives, and the CPU time of the solve.
#
#   tools/real_projects.sh [ZONARIUM]      (default build/cli/zonarium)
#   ZN_SHARED_DATA=/path/to/shared/data    (default ../shared/data)
#   KEEP=/some/dir                          keep the projects and folders there
#
# Exits 1 when a minimum differs from its README's value.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
zn=${1:-$here/build/cli/zonarium}
data=${ZN_SHARED_DATA:-$here/../shared/data}
work=${KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

# folder | --cell | CRS | extent W,S,E,N (the data's own cell edges) | README's minimum
datasets='
phyllomedusa_frogs|1deg|EPSG:4326|-79,-35,-35,12|16
southern_africa_woody|1deg|EPSG:4326|11.46722,-35.659588,37.46722,-14.659588|35
acacia_australia|50km|EPSG:3577|-1900000,-4850000,2150000,-950000|77
washington_birds|12km|EPSG:2163|-1816381.61815848,239483.521060384,-1228381.61815848,683483.521060384|7
gb_butterflies_hectad|10km|EPSG:27700|0,0,700000,1300000|6
carnivora_world|96486.27x96514.96m|EPSG:6933|-17367528.6,-6356742.34,17367528.6,7348381.98|51
bci_trees|100m|EPSG:32617|625703.967,1011518.985,626703.967,1012018.985|25
'

# Runs a command, adding its CPU seconds to the file named first.
cpu() {
  out=$1
  shift
  /usr/bin/time -f '%U %S' -a -o "$out" "$@"
}
seconds() { awk '{ s += $1 + $2 } END { printf "%.2f", s }' "$1"; }
status=0
printf '%-22s %7s %11s %10s %7s %7s %11s\n' dataset units occurrences make_cpu_s minimum readme solve_cpu_s
echo "$datasets" | {
while IFS='|' read -r name cell crs extent expect; do
  [ -n "$name" ] || continue
  # The common data.csv is already a long table once its header names the
  # taxon and amount columns as the tool reads them.
  sed '1s/.*/taxon,genus,family,lon,lat,cell_x,cell_y,amount,extra/' "$data/$name/data.csv" >"$work/$name.csv"
  gpkg=$work/$name.gpkg
  rm -f "$work/$name.make.cpu" "$work/$name.solve.cpu"
  cpu "$work/$name.make.cpu" "$zn" project new "$gpkg" --cell "$cell" --crs "$crs" --extent "$extent" --replace >/dev/null
  cpu "$work/$name.make.cpu" "$zn" project add "$gpkg" "$work/$name.csv" --format table >"$work/$name.add.txt"
  "$zn" info "$gpkg" >"$work/$name.info.txt"
  units=$(sed -n 's/^units stored: //p' "$work/$name.info.txt")
  occurrences=$(sed -n 's/^occurrences: \([0-9]*\).*/\1/p' "$work/$name.info.txt")
  rm -rf "$work/$name.folder"
  "$zn" export-marxan "$gpkg" "$work/$name.folder" >/dev/null
  cpu "$work/$name.solve.cpu" "$zn" marxan "$work/$name.folder" --method exact --reps 1 >"$work/$name.report.txt"
  found=$(sed -n 's/^best: cost [^,]*, \([0-9]*\) planning units.*/\1/p' "$work/$name.report.txt" | head -n 1)
  proven=$(grep -c "^exact minimum .*: optimal" "$work/$name.report.txt" || true)
  printf '%-22s %7s %11s %10s %7s %7s %11s%s\n' "$name" "$units" "$occurrences" \
    "$(seconds "$work/$name.make.cpu")" "$found" "$expect" "$(seconds "$work/$name.solve.cpu")" \
    "$([ "$proven" = 1 ] || echo ' (not proven)')"
  if [ "$found" != "$expect" ]; then
    echo "  $name: the minimum is $found, the README gives $expect" >&2
    status=1
  fi
done
exit $status
}
