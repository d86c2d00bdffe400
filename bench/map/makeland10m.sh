#!/usr/bin/env bash
# Writes world-atlas's 1:10m land as a shapefile for bench_map_files (not kept in the repository:
# 6.6 MB): Natural Earth's 1:10m land (public domain), as the npm package world-atlas 2.0.2 (ISC
# licence) carries it in TopoJSON (land-10m.json), written by GDAL's ogr2ogr (Debian's gdal-bin)
# with one polygon a record: 4,048 polygons, 408,901 points.
# Usage: makeland10m.sh [directory]   (default build/land10m; the benchmark looks there, or at
# the file CORV_LAND10M names)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../../build/land10m}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent world-atlas@2.0.2 >/dev/null && tar xzf world-atlas-2.0.2.tgz)
ogr2ogr -f "ESRI Shapefile" -explodecollections -nln land10m "$work/land10m.shp" \
  "$work/package/land-10m.json"
for ext in shp shx dbf; do cp "$work/land10m.$ext" "$out/land10m.$ext"; done
