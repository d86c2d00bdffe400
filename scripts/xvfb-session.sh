# Sourced by the scripts that show the program in a real window: a scratch folder ($work), the
# processes to stop at exit ($pids, stopped with the folder removed), and an Xvfb of 1280 x 800 on
# a display number nobody holds, exported as DISPLAY.
work="$(mktemp -d "/tmp/${1:-xvfb}-run-XXXXXX")"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq $((90 + RANDOM % 100)) 400); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$n ]] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  # Ours only when its lock names our server: another may have taken the number meanwhile.
  if [[ "$(tr -d ' \n' </tmp/.X$n-lock 2>/dev/null)" == "${pids[-1]}" ]]; then
    export DISPLAY=":$n"
    break
  fi
  kill "${pids[-1]}" 2>/dev/null || true
  unset 'pids[-1]'
done
[[ -n "${DISPLAY:-}" && "$DISPLAY" == :* ]] || { echo "no free X display" >&2; exit 1; }
