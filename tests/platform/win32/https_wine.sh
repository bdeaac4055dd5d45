#!/usr/bin/env bash
# Runs the WinINet HTTPS test under Wine against two loopback TLS servers: one
# with a certificate for "localhost" signed by a test authority made for this
# run, one with a self-signed certificate.  The test program trusts the
# authority in the prefix's own Root store for its run only.
#
# usage: https_wine.sh PREFIX LOADER TEST_PROGRAM TLS_SERVER_SCRIPT WORK_FOLDER
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
PREFIX=$1 LOADER=$2 PROGRAM=$3 SERVER=$4 WORK=$5
command -v openssl >/dev/null || { echo "SKIP: openssl is not installed"; exit 77; }
rm -rf "$WORK" && mkdir -p "$WORK"
pids=() trusting=0
cleanup() {
  # A run cut short between giving and taking back trust takes it back here.
  [ "$trusting" = 1 ] &&
    "$ROOT/tools/wine-run.sh" "$PREFIX" "$LOADER" "$PROGRAM" --gtest_filter=HttpsWin32Trust.TakeBack >/dev/null 2>&1
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT
(
  cd "$WORK" || exit 1
  printf 'subjectAltName=DNS:localhost\n' > ext
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \
    -out ca.pem -subj /CN=VexaWineTestAuthority -days 2 &&
  openssl x509 -in ca.pem -outform der -out ca.der &&
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout server.key \
    -out server.csr -subj /CN=localhost &&
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
    -out server.pem -days 2 -extfile ext &&
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout stranger.key \
    -out stranger.pem -subj /CN=localhost -days 2 -addext subjectAltName=DNS:localhost
) >"$WORK/openssl.log" 2>&1 || { echo "FAIL: certificates"; cat "$WORK/openssl.log"; exit 1; }

# start NAME CERT KEY: a server; its port in the variable NAME.
start() {
  local fifo=$WORK/$1.out
  /usr/bin/python3 "$SERVER" "$2" "$3" 9 >"$fifo" 2>"$WORK/$1.err" </dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.05; done
  read -r port _ <"$fifo" || { echo "FAIL: the $1 server did not start"; cat "$WORK/$1.err"; exit 1; }
  printf -v "$1" '%s' "$port"
}
start trusted "$WORK/server.pem" "$WORK/server.key"
start stranger "$WORK/stranger.pem" "$WORK/stranger.key"
export VEXA_TLS_CA="Z:$WORK/ca.der" VEXA_TLS_PORT=$trusted VEXA_TLS_STRANGER_PORT=$stranger
# Refused first; accepted with the authority trusted for that run; refused
# again afterwards: the prefix keeps no trust from the test.
rc=0
for filter in HttpsWin32.RefusedWhileNobodyVouches HttpsWin32Trust.Give \
    HttpsWin32.PageAndPackageOverVerifiedTls HttpsWin32Trust.TakeBack \
    HttpsWin32.RefusedWhileNobodyVouches; do
  [ "$filter" = HttpsWin32Trust.Give ] && trusting=1
  "$ROOT/tools/wine-run.sh" "$PREFIX" "$LOADER" "$PROGRAM" --gtest_filter="$filter"
  status=$?
  [ "$filter" = HttpsWin32Trust.TakeBack ] && [ $status = 0 ] && trusting=0
  [ $status = 77 ] && exit 77
  [ $status = 0 ] || rc=1
done
exit $rc
