#!/usr/bin/env bash
# Rebuilds the empty data/waypoints.DB and data/sails.db with our own Paradox writer.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh release >/dev/null
mkdir -p build/tools
g++ -std=c++20 -O2 -I. tools/maketables/maketables.cpp build/release/platform/db/libplatform_db.a \
  build/release/platform/rtl/libplatform_rtl.a -lsqlite3 -o build/tools/maketables
rm -f data/waypoints.DB data/sails.db
build/tools/maketables data
