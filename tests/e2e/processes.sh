# Sourced by the scripts that start the demo platform, the client and Xvfb:
# how they end the processes they started.  Each script sets client_pid,
# platform_pid and xvfb_pid (empty when not running) and may define say().

# Ends one process of ours: politely, then for good.
stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Ends what is running, the client first (it talks to the others); once.
stop_all() {
  trap - EXIT INT TERM
  stop_pid "${client_pid:-}"
  stop_pid "${platform_pid:-}"
  stop_pid "${xvfb_pid:-}"
}

# stop_all on every way out; INTERRUPT_HOOK (a command) runs first on Ctrl-C.
stop_all_on_exit() {
  trap stop_all EXIT
  trap 'eval "${INTERRUPT_HOOK:-true}"; exit 130' INT
  trap 'exit 143' TERM
}
