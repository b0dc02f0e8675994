#!/bin/sh
# The tool draws a PNG and a chart with no runtime folder named in the
# environment, as under cron or a bare container: it must say nothing on the
# error stream.
# Usage: quiet_render.sh ZONARIUM
set -eu
zonarium=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM "$zonarium" --home "$dir/home" render "$dir/home/equal/carnivora.dat" \
  --measure richness --size 200x150 --out "$dir/map.png" >/dev/null 2>"$dir/err.txt"
env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM "$zonarium" --home "$dir/home" curve "$dir/home/equal/carnivora.dat" \
  --max-areas 3 --runs 2 --out "$dir/curve.png" >/dev/null 2>>"$dir/err.txt"
[ -s "$dir/map.png" ] && [ -s "$dir/curve.png" ] || { echo "no picture written"; cat "$dir/err.txt"; exit 1; }
if [ -s "$dir/err.txt" ]; then
  echo "the tool wrote to the error stream:"
  cat "$dir/err.txt"
  exit 1
fi
echo "quiet"
