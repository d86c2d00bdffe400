#!/usr/bin/env bash
# bench-once.sh <benchmark binary>: runs its benchmarks once, briefly, as ./test does so that none
# rots. Fails when the binary fails or when any benchmark reports an error (SkipWithError), which
# Google Benchmark itself still ends with status 0; the errors are printed. It runs in a scratch
# folder of its own: benchmarks that build the main window leave the data engine's files beside it.
set -euo pipefail
bench="$(realpath "$1")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
out="$scratch/results.json"
(cd "$scratch" && "$bench" --benchmark_min_time=0.01 --benchmark_out="$out" \
  --benchmark_out_format=json >/dev/null)
python3 - "$1" "$out" <<'PY'
import json, sys
bench, out = sys.argv[1], sys.argv[2]
with open(out) as f:
    runs = json.load(f).get("benchmarks", [])
errors = [r for r in runs if r.get("error_occurred")]
for r in errors:
    print(f"{bench}: {r.get('name')}: {r.get('error_message', 'error')}")
sys.exit(1 if errors else 0)
PY
