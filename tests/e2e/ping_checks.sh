# Shared by pings.sh and pings_wine.sh: the loopback statistics server and
# the checks of the recorded request lines.  Sourced, not run.

# The port of a loopback statistics host ("localhost:18084"); exits 77 when
# the build's statistics host is not on loopback.
stats_port() {
  case "$1" in
    localhost:*|127.0.0.1:*) echo "${1##*:}" ;;
    *) echo "SKIPPED: the statistics host '$1' of this build is not on loopback" >&2; exit 77 ;;
  esac
}

# start_stats_server PORT FOLDER: sets server_pid and stats_log.
start_stats_server() {
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  stats_log=$2/requests.log
  rm -f "$stats_log" "$2/ready"
  /usr/bin/python3 "$here/stats_server.py" "$1" "$stats_log" "$2/ready" &
  server_pid=$!
  for _ in $(seq 100); do [ -f "$2/ready" ] && return 0; sleep 0.1; done
  fail "the statistics server did not start"
}

stop_stats_server() {
  [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  server_pid=
}

# The statistics request line the program must send, as a regular expression.
# $1 = at, $2 = "&e7=N" or empty.
ping_pattern() {
  echo "^GET /ps\.gif\?id=2&gid=1062&e1=wd&e2=Vexawancom&e3=tavo&e4=([0-9A-F]{32})&e5=([0-9a-f]{32})&e6=2$2&e8=3000&e9=([0-9]{4}-[0-9]{2}-[0-9]{2})%20([0-9]{2}:[0-9]{2}:[0-9]{2})&at=$1 HTTP/1\.1$"
}

# check_ping LINE AT E7 SETTINGS_TEXT: the line matches and carries the GUID
# and install time of the settings; sets ping_guid and ping_machine.
check_ping() {
  local line=$1 at=$2 e7=$3 settings=$4
  [[ $line =~ $(ping_pattern "$at" "$e7") ]] || fail "unexpected ping: $line"
  ping_guid=${BASH_REMATCH[1]}
  ping_machine=${BASH_REMATCH[2]}
  local time="${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
  grep -qx "GUID=$ping_guid" <<<"$settings" || fail "GUID $ping_guid not in the settings: $settings"
  grep -qx "InstallTime=$time" <<<"$settings" || fail "InstallTime $time not in the settings: $settings"
}
