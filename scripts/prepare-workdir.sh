#!/usr/bin/env bash
# prepare-workdir.sh <dir>: puts the files the program ships with into its working directory.
# Files already there are the user's and are never overwritten.
set -euo pipefail
src="$(cd "$(dirname "$0")/../data" && pwd)"
dest="$1"
mkdir -p "$dest"
while IFS= read -r -d '' f; do
  rel="${f#"$src"/}"
  [[ "$rel" == README* ]] && continue
  [[ -e "$dest/$rel" ]] && continue
  mkdir -p "$dest/$(dirname "$rel")"
  cp "$f" "$dest/$rel"
done < <(find "$src" -type f -print0)

# The value labels' seven-segment face: Debian's fonts-dseg, under the name the program loads.
dseg=/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf
if [[ ! -e "$dest/lcd2.ttf" && -e "$dseg" ]]; then
  cp "$dseg" "$dest/lcd2.ttf"
fi
