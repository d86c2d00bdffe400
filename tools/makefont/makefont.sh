#!/usr/bin/env bash
# Rebuilds data/plevoran.ttf from makefont.py with fontforge (Debian's fontforge-nox).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
fontforge -quiet -lang=py -script "$here/makefont.py" "$here/../../data/plevoran.ttf"
