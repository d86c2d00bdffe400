# Sourced by ./test and scripts/build.sh: `phase <tree> <name> <command...>` runs the command and
# appends "<tree> <name> <seconds> <status>" to build/phases.log (or $CORV_PHASE_LOG), which
# scripts/timings.sh reads.
phase() {
  local tree="$1" name="$2"; shift 2
  local t0=$EPOCHREALTIME rc=0
  "$@" || rc=$?
  local log=${CORV_PHASE_LOG:-$PWD/build/phases.log}
  mkdir -p "$(dirname "$log")"
  awk -v a="$t0" -v b="$EPOCHREALTIME" -v t="$tree" -v n="$name" -v r="$rc" \
    'BEGIN { printf "%s %s %.1f %d\n", t, n, b - a, r }' >> "$log"
  return $rc
}
