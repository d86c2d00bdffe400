# Sourced by ./test and scripts/build.sh: `phase <tree> <name> <command...>` runs the command and
# appends "<tree> <name> <wall seconds> <status> <processor seconds> <start, seconds since the
# epoch>" to build/phases.log (or $CORV_PHASE_LOG), which scripts/timings.sh reads. Processor
# time (user + system of the children) hardly depends on what else the machine runs; the time on
# the clock does.
phase_tick=$(getconf CLK_TCK)
phase_cpu() { awk -v tick="$phase_tick" '{ sub(/.*\) /, ""); print ($14 + $15) / tick }' "/proc/$1/stat"; }
phase() {
  local tree="$1" name="$2"; shift 2
  local t0=$EPOCHREALTIME c0 rc=0 me=$BASHPID
  c0=$(phase_cpu "$me")
  "$@" || rc=$?
  local log=${CORV_PHASE_LOG:-$PWD/build/phases.log}
  mkdir -p "$(dirname "$log")"
  awk -v a="$t0" -v b="$EPOCHREALTIME" -v t="$tree" -v n="$name" -v r="$rc" -v c0="$c0" -v c1="$(phase_cpu "$me")" \
    'BEGIN { printf "%s %s %.1f %d %.1f %.1f\n", t, n, b - a, r, c1 - c0, a }' >> "$log"
  return $rc
}
