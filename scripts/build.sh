#!/usr/bin/env bash
# build.sh <mode>: configures and builds build/<mode> (test, release, fuzz, tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
mode="$1"; shift || true
extra=()
if [[ "$mode" == fuzz ]]; then
  extra=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
fi
# A compiler cache, where the machine has one, makes rebuilds in several checkouts cheap.
if command -v ccache >/dev/null; then
  extra+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
source scripts/phase.sh
if [[ ! -f "build/$mode/build.ninja" ]]; then
  phase "$mode" configure cmake -S . -B "build/$mode" -G Ninja -DCORV_MODE="$mode" "${extra[@]}" "$@" >/dev/null
fi
target=()
[[ "$mode" == fuzz || "$mode" == tsan ]] && target=(--target corv_mode_all)
phase "$mode" build cmake --build "build/$mode" -j "${CORV_JOBS:-$(nproc)}" "${target[@]}"
