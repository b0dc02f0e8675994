#!/bin/sh
# Fills tests/fuzz/corpus/<target>/ with small seeds from the shipped program
# folder, the interchange test data and tests/fuzz/seeds/. Run from the
# source root; existing corpus files are kept.
set -e
root=$(pwd)
pd=$root/programdata
td=$root/tests/data/interchange
out=$root/tests/fuzz/corpus
seed() { mkdir -p "$out/$1"; }
# head of a datafile: header and the first n cards
cards() { head -c $(( $2 + $3 * $4 )) "$1"; }

seed datafile
for f in "$pd"/*/*.dat; do
  case $f in */britain/*) continue ;; esac
  cards "$f" 34 1024 4 > "$out/datafile/$(basename "$f" .dat)"
done
seed britain_datafile
cards "$pd/britain/butterflies.dat" 36 4096 3 > "$out/britain_datafile/butterflies"
seed join
# four bytes (little-endian) of the first source's length, then both sources
{ printf '\042\010\0\0'; cards "$pd/neotrop/phyllomedusa.dat" 34 1024 2; cards "$pd/ravelund/marine.dat" 34 1024 2; } \
  > "$out/join/phyllo_marine"
seed mapdef
cp "$pd/ZONARIUM.MAP" "$out/mapdef/"
seed coastline
cp "$pd/ZONARIUM.@17" "$out/coastline/"
seed britain_coastline
head -c 4004 "$pd/britain/ZONARIUM.@50" > "$out/britain_coastline/head"
seed location_names
head -c 2000 "$pd/austral/ZONARIUM.LOC" > "$out/location_names/austral"
seed master_grid
cp "$pd/britain/ZONARIUM.SQS" "$out/master_grid/"
seed options
seed preselection
seed seed_file
seed scores
seed cost_threat
for f in "$td"/scores_*.scr; do
  cp "$f" "$out/scores/"
  cp "$f" "$out/cost_threat/"
done
seed import_lists
i=0
for f in "$td"/dataio_taxa.txt "$td"/dataio_taxa_by_areas.txt "$td"/dataio_areas_by_taxa.txt \
         "$td"/dataio_twinspan.txt "$td"/dataio_comma_numbers.txt "$td"/dataio_comma_text.txt; do
  for b in 0 1 2 3 4 5 6; do
    { printf "\\$(printf %o $b)"; cat "$f"; } > "$out/import_lists/$(basename "$f" .txt)_$b"
  done
done
seed import_dmap
{ cat "$td/dataio_dmap.dis"; printf '\0'; cat "$td/dataio_dmap.nam"; } > "$out/import_dmap/dmap"
seed import_matrix
cp "$td/dataio_matrix.txt" "$out/import_matrix/"
# Hand-made seeds kept in the tree.
if [ -d "$root/tests/fuzz/seeds" ]; then
  for d in "$root"/tests/fuzz/seeds/*/; do
    t=$(basename "$d"); seed "$t"; cp "$d"/* "$out/$t/" 2>/dev/null || true
  done
fi
