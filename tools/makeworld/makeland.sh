#!/usr/bin/env bash
# Rebuilds tests/map/fixtures/land50m.{shp,shx,dbf}: Natural Earth's 1:50m land (public domain),
# as the npm package world-atlas 2.0.2 (ISC licence) carries it in TopoJSON (land-50m.json),
# written by GDAL's ogr2ogr (Debian's gdal-bin) as a shapefile with one polygon a part:
# 1,419 polygons, 1,421 rings, 60,629 points. The map's tests and benchmarks draw it.
# `makeland.sh 10m [directory]` writes the 1:10m land the same way (4,048 polygons, 408,901
# points, 6.6 MB, too large to keep here) into build/land10m, where bench_map_files opens it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
scale="${1:-50m}"
case "$scale" in
  50m) out="$here/../../tests/map/fixtures" ;;
  10m) out="${2:-$here/../../build/land10m}" ;;
  *) echo "usage: $0 [50m | 10m [directory]]" >&2; exit 2 ;;
esac
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent world-atlas@2.0.2 >/dev/null && tar xzf world-atlas-2.0.2.tgz)
ogr2ogr -f "ESRI Shapefile" -explodecollections -nln "land$scale" "$work/land$scale.shp" \
  "$work/package/land-$scale.json"
for ext in shp shx dbf; do cp "$work/land$scale.$ext" "$out/land$scale.$ext"; done
