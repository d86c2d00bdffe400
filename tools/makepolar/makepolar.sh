#!/usr/bin/env bash
# Rebuilds data/PERFORMANCE.DBF from tools/makepolar/polar-10m.csv with our own dBase writer.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh release >/dev/null
mkdir -p build/tools
g++ -std=c++20 -O2 -I. tools/makepolar/makepolar.cpp build/release/platform/db/libplatform_db.a \
  build/release/platform/rtl/libplatform_rtl.a -lsqlite3 -o build/tools/makepolar
mkdir -p data
rm -f data/PERFORMANCE.DBF
build/tools/makepolar tools/makepolar/polar-10m.csv data/PERFORMANCE.DBF
