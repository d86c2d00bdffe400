#!/usr/bin/env bash
# Rebuilds data/world.lyr from the land shapefile that makeland.sh writes (Natural Earth's 1:50m
# land, public domain, by way of the npm package world-atlas 2.0.2, ISC licence), with the map's
# own shapefile reader and layer file writer.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh release >/dev/null
cmake --build build/release --target makeworld >/dev/null
build/release/tools/makeworld/makeworld tests/map/fixtures/land50m.shp data/world.lyr
