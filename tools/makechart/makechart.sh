#!/usr/bin/env bash
# Rebuilds data/wad.bmp, the chart bitmap of the Waddenzee off Harlingen, from GSHHG 2.3.7's
# high-resolution shorelines (LGPL-3.0, Debian's gmt-gshhg-high): GMT's grdlandmask makes the land
# and water mask on the chart's grid, GDAL's gdal_translate turns it into plain bytes, GMT's coast
# writes the shoreline, OGR's GMT driver (ogr2ogr) makes it a shapefile, and makechart draws the
# picture with the program's own shapefile reader and BMP writer. A rebuild gives the same bytes.
# GMT is needed by this script alone, so it is installed here when missing, not with the
# packages of the build and tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"

scripts/install-deps.sh gmt gmt-gshhg-high gdal-bin
scripts/build.sh release >/dev/null
cmake --build build/release --target makechart >/dev/null
tool="$root/build/release/tools/makechart/makechart"
read -r region columns rows wider < <("$tool" region)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"  # gmt keeps its history in the current directory
# Pixel registration: a cell's value is that of its centre. Lakes count as water, their islands
# as land.
gmt grdlandmask -R"$region" -I"${columns}+n/${rows}+n" -r -Dh -N0/1/0/1/0 -Gmask.nc
gdal_translate -q -of EHdr -ot Byte -a_nodata none NETCDF:mask.nc:z mask.bil
gmt coast -R"$wider" -Dh -M -W >shore.gmt
ogr2ogr -f "ESRI Shapefile" shore.shp shore.gmt
"$tool" mask.bil shore.shp "$root/data/wad.bmp"
