#!/usr/bin/env bash
# Rebuilds data/demonstration.lg from the sample NMEA log of the npm package signalk-server 2.32.0
# (samples/plaka.log, Apache-2.0) with the program's own decoder, computation and recorder.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh release >/dev/null
cmake --build build/release --target makedemo >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && npm pack --silent signalk-server@2.32.0 >/dev/null &&
  tar xzf signalk-server-2.32.0.tgz package/samples/plaka.log)
build/release/tools/makedemo/makedemo "$scratch/package/samples/plaka.log" data/PERFORMANCE.DBF \
  data/demonstration.lg
