# Sourced by the adoption tests: starts the printer simulator program and reads where it serves.
#   sim_start FPSIM [OPTIONS...]   sets SIM_PID, SIM_PTY, SIM_PORT and SIM_OUT (its output file)
#   sim_stop                       stops it
#   sim_cleanup                    stops it and removes its output file (for the caller's trap)
sim_start() {
  local program="$1"
  shift
  SIM_OUT=$(mktemp)
  "$program" "$@" >"$SIM_OUT" 2>&1 &
  SIM_PID=$!
  # The start lines come within moments; the bound only keeps a broken start from hanging.
  sim_wait_output '^fpsim: serial' "the simulator did not start" || return 1
  SIM_PTY=$(sed -n 's/^fpsim: pseudo-terminal //p' "$SIM_OUT")
  SIM_PORT=$(sed -n 's/^fpsim: tcp 127\.0\.0\.1://p' "$SIM_OUT")
}

sim_stop() {
  if [ -n "${SIM_PID:-}" ]; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=
  fi
}

# The simulator's output file goes when the test ends.
sim_cleanup() {
  sim_stop
  rm -f "${SIM_OUT:-}"
}

# Waits until the simulator's output has a line matching the pattern $1 (at most 30 s);
# otherwise prints $2 and the output and fails.
sim_wait_output() {
  local tries=0
  until grep -q "$1" "$SIM_OUT"; do
    if ! kill -0 "$SIM_PID" 2>/dev/null || [ $tries -ge 600 ]; then
      echo "$2:" >&2
      cat "$SIM_OUT" >&2
      return 1
    fi
    tries=$((tries + 1))
    sleep 0.05
  done
}

# Waits until the simulator's paper shows a line with the text $1 (it prints after answering).
sim_wait_paper() {
  sim_wait_output "^| .*$1" "the simulator's paper has no line with \"$1\""
}
