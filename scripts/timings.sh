#!/usr/bin/env bash
# timings.sh [root]: where the time of the last ./test went, per tree and phase. Reads the phase
# log ./test writes (build/phases.log: time on the clock and processor time of each phase), each
# tree's .ninja_log (compile and link steps, their times summed over the parallel jobs) and each
# ctest log (test time summed per test binary, with the longest test). Only what the phase itself
# built or ran is counted: builds and test runs made by hand since then are left out.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
log="$root/build/phases.log"
[[ -f "$log" ]] || { echo "no $log: run ./test first" >&2; exit 1; }

fmt() { awk -v s="$1" 'BEGIN { printf "%d:%04.1f", s / 60, s - 60 * int(s / 60) }'; }
row() { printf '%-8s %-30s %9s %9s %9s  %s\n' "$@"; }

row tree phase wall cpu summed detail
while read -r tree name secs rc cpu start _; do
  if [[ -n "${start:-}" ]]; then
    stop=$(awk -v a="$start" -v b="$secs" 'BEGIN { printf "%.1f", a + b + 1 }')
  else
    start=0 stop=1e12  # a log written before phases had their start: take everything
  fi
  detail=""; [[ "$rc" == 0 ]] || detail="FAILED ($rc)"
  row "$tree" "$name" "$(fmt "$secs")" "$(fmt "${cpu:-0}")" "" "$detail"
  dir="$root/build/$tree"
  if [[ "$name" == build && -f "$dir/.ninja_log" ]]; then
    # v5: start end mtime output hash, times in ms, mtime in ns; of the lines whose output was
    # written during the phase, the last of each output wins.
    awk -v a="$start" -v b="$stop" '!/^#/ && $3 / 1e9 >= a - 1 && $3 / 1e9 <= b { last[$4] = $2 - $1 }
         END {
           for (o in last) {
             if (o ~ /\.o$/) { c += last[o]; nc++ }
             else if (last[o] > 0 && (o ~ /\.a$/ || o !~ /\./)) { l += last[o]; nl++ }
           }
           printf "compile %d %d\nlink %d %d\n", c / 1000, nc, l / 1000, nl
         }' "$dir/.ninja_log" |
    while read -r what s count; do
      row "" "  $what" "" "" "$(fmt "$s")" "$count steps"
    done
  fi
  ctestlog="$dir/Testing/Temporary/LastTest.log"
  if [[ "$name" == ctest && -f "$ctestlog" ]] &&
    ! awk -v m="$(stat -c %Y "$ctestlog")" -v a="$start" -v b="$stop" 'BEGIN { exit !(m >= a - 1 && m <= b) }'; then
    row "" "  (tests run by hand since; not shown)" "" "" "" ""
  elif [[ "$name" == ctest && -f "$ctestlog" ]]; then
    awk '/^Command: / { split($0, q, "\""); n = split(q[2], p, "/"); g = p[n] }
         /^[0-9]+\/[0-9]+ Test: / { t = $3 }
         /^Test time = / { s[g] += $4; c[g]++; if ($4 > m[g]) { m[g] = $4; mt[g] = t } }
         END { for (g in s) printf "%s %.1f %d %s %.1f\n", g, s[g], c[g], mt[g], m[g] }' \
      "$ctestlog" | sort -k2,2nr |
    while read -r group s count longest ls; do
      row "" "  $group" "" "" "$(fmt "$s")" "$count tests, longest $longest $(fmt "$ls")"
    done
  fi
done < "$log"
awk '{ w += $3; c += $5 } END { print w, c }' "$log" | {
  read -r w c
  row all total "$(fmt "$w")" "$(fmt "$c")" "" ""
}
echo "wall: time on the clock; cpu: processor time of the phase (user + system);"
echo "summed: time of the steps or tests added up over the parallel jobs."
