#!/usr/bin/env bash
# timings.sh [root]: where the time of the last ./test went, per tree and phase. Reads the phase
# log ./test writes (build/phases.log), each tree's .ninja_log (compile and link time summed over
# the parallel jobs) and each ctest log (test time summed per test binary, with the longest test).
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
log="$root/build/phases.log"
[[ -f "$log" ]] || { echo "no $log: run ./test first" >&2; exit 1; }

fmt() { awk -v s="$1" 'BEGIN { printf "%d:%04.1f", s / 60, s - 60 * int(s / 60) }'; }

printf '%-8s %-34s %10s %10s  %s\n' tree phase wall "cpu-sum" detail
total=$(awk '{ s += $3 } END { print s }' "$log")
while read -r tree name secs rc; do
  detail=""; [[ "$rc" == 0 ]] || detail="FAILED ($rc)"
  printf '%-8s %-34s %10s %10s  %s\n' "$tree" "$name" "$(fmt "$secs")" "" "$detail"
  dir="$root/build/$tree"
  if [[ "$name" == build && -f "$dir/.ninja_log" ]]; then
    # v5: start end mtime output hash, in ms; the last line of each output wins.
    awk '!/^#/ { last[$4] = $2 - $1 }
         END {
           for (o in last) {
             if (o ~ /\.o$/) { c += last[o]; nc++ }
             else if (o ~ /(\.a|\.so)$/ || o !~ /\./) { if (last[o] > 0) { l += last[o]; nl++ } }
           }
           printf "compile %d %d\nlink %d %d\n", c / 1000, nc, l / 1000, nl
         }' "$dir/.ninja_log" |
    while read -r what secs count; do
      printf '%-8s   %-32s %10s %10s  %s\n' "" "$what" "" "$(fmt "$secs")" "$count steps"
    done
  fi
  if [[ "$name" == ctest && -f "$dir/Testing/Temporary/LastTest.log" ]]; then
    awk '/^Command: / { split($0, q, "\""); n = split(q[2], p, "/"); g = p[n] }
         /^[0-9]+\/[0-9]+ Test: / { t = $3 }
         /^Test time = / { s[g] += $4; c[g]++; if ($4 > m[g]) { m[g] = $4; mt[g] = t } }
         END { for (g in s) printf "%s %.1f %d %s %.1f\n", g, s[g], c[g], mt[g], m[g] }' \
      "$dir/Testing/Temporary/LastTest.log" | sort -k2,2nr |
    while read -r group secs count longest lsecs; do
      printf '%-8s   %-32s %10s %10s  %s\n' "" "$group" "" "$(fmt "$secs")" \
        "$count tests, longest $longest $(fmt "$lsecs")"
    done
  fi
done < "$log"
printf '%-8s %-34s %10s\n' all total "$(fmt "$total")"
