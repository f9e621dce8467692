#!/usr/bin/env bash
# Runs a Windows test program under wine with the test server's native TLS relay beside it: starts
# the relay on a free port, names that port in KAVELO_TLS_RELAY_PORT, stops the relay by its PID.
#   run-with-tls-relay.sh RELAY WINE_RUN PROGRAM [ARGUMENTS...]
set -euo pipefail
relay=$1
wine_run=$2
shift 2
work=$(mktemp -d)
relay_pid=
cleanup() {
    local status=$?
    if [ -n "$relay_pid" ]; then
        kill "$relay_pid" 2>/dev/null || true
        wait "$relay_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
# The relay's CA file lives in its temporary folder, which goes with this run.
TMPDIR=$work "$relay" "$work/port" &
relay_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "the TLS relay did not start" >&2; exit 1; }
KAVELO_TLS_RELAY_PORT=$(cat "$work/port") "$wine_run" "$@"
