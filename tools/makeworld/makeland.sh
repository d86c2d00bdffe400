#!/usr/bin/env bash
# Rebuilds tests/map/fixtures/land50m.{shp,shx,dbf}: Natural Earth's 1:50m land (public domain),
# as the npm package world-atlas 2.0.2 (ISC licence) carries it in TopoJSON (land-50m.json),
# written by GDAL's ogr2ogr (Debian's gdal-bin) as a shapefile with one polygon a part:
# 1,419 polygons, 1,421 rings, 60,629 points. The map's tests and benchmarks draw it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../../tests/map/fixtures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent world-atlas@2.0.2 >/dev/null && tar xzf world-atlas-2.0.2.tgz)
ogr2ogr -f "ESRI Shapefile" -explodecollections -nln land50m "$work/land50m.shp" \
  "$work/package/land-50m.json"
for ext in shp shx dbf; do cp "$work/land50m.$ext" "$out/land50m.$ext"; done
