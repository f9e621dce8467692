#!/usr/bin/env bash
# The main job with every request of the workbench through a real proxy: tinyproxy on a free port with
# its own configuration, behind a tap (the tests' slow link at full speed) that keeps what the proxy
# was sent in the clear, both stopped by their PIDs. Then the proxy's log must show the tunnel to the
# service that the upload took, and the tap nothing of what went through it: on Linux. Wine's WinHTTP copies
# the request's fields into its CONNECT request, the key with them, which Windows' does not; under
# wine the tap must show that instead.
#
#   Tests/EndToEnd/through-proxy.sh [--windows] BIN_DIR WORK_DIR
#   --windows  a Windows build's workbench, under wine, with the prefix's user proxy settings pointing
#              at the proxy for this run (they are the whole prefix's: nothing else may run meanwhile)
set -euo pipefail
windows=()
if [[ ${1:-} = --windows ]]; then
    windows=(--windows)
    shift
fi
bin=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "through-proxy: $*" >&2; exit 1; }
freePort() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

mkdir -p "$work/proxy"
port=$(freePort)
cat >"$work/proxy/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 30
LogFile "$work/proxy/log"
LogLevel Info
CONF
tinyproxy -d -c "$work/proxy/tinyproxy.conf" >"$work/proxy/output" 2>&1 &
proxyPid=$!
tapPid=
settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections'
cleanup() {
    [[ -n $tapPid ]] && { kill "$tapPid" 2>/dev/null; wait "$tapPid" 2>/dev/null || true; }
    kill "$proxyPid" 2>/dev/null
    wait "$proxyPid" 2>/dev/null || true
    if [[ ${#windows[@]} -gt 0 ]]; then
        "$bin/../wine-run" reg delete "$settings" /v DefaultConnectionSettings /f >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
python3 "$here/../Support/slow-link.py" --to "127.0.0.1:$port" --rate 1G --rtt 0 --record "$work/proxy/sent" \
    >"$work/proxy/tap" 2>&1 &
tapPid=$!
for _ in $(seq 100); do
    grep -qs '^listening on ' "$work/proxy/tap" && break
    sleep 0.1
done
tap=127.0.0.1:$(sed -n 's/^listening on //p' "$work/proxy/tap")

if [[ ${#windows[@]} -gt 0 ]]; then
    # The binary record Internet Options writes and the only form wine reads: magic 0x46, a counter,
    # flags (direct and proxy), then the proxy, the bypass list and the script's URL, each as its
    # length (32 bits, little-endian) and its bytes.
    hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
    length() { printf '%02x%02x0000' $((${#1} % 256)) $((${#1} / 256)); }
    record="46000000""00000000""03000000$(length "$tap")$(hex "$tap")0000000000000000"
    "$bin/../wine-run" reg add "$settings" /v DefaultConnectionSettings /t REG_BINARY /d "$record" /f >/dev/null
    service=localhost:8443
    "$here/../../Tools/MainJob/run" --windows "$bin" "$work/job" | tee "$work/job.out"
else
    https_proxy="http://$tap" no_proxy= "$here/../../Tools/MainJob/run" "$bin" "$work/job" | tee "$work/job.out"
    service=$(sed -n 's|^listening on https://||p' "$work/job/service.out")
fi
grep -q 'Picture (file): .*\.jpg (byte for byte with the capture)' "$work/job.out" ||
    fail "the export through the proxy did not store the capture"
linkId=$(sed -n 's/^== Waiting for the login page to link //p' "$work/job.out")
[[ -n $linkId ]] || fail "the job named no link id"

# The upload opened one tunnel to the service; on Linux the job's own curl and browser stand-in more.
tunnels=$(grep -c "CONNECT $service HTTP/1.1" "$work/proxy/log" || true)
[[ $tunnels = 1 || ($tunnels -gt 1 && ${#windows[@]} = 0) ]] ||
    fail "the proxy saw $tunnels tunnels to $service: $(cat "$work/proxy/log")"
if grep 'Request (file descriptor' "$work/proxy/log" | grep -v "CONNECT $service HTTP/1.1"; then
    fail "the proxy was asked for more than tunnels to $service"
fi
echo "The proxy saw only the tunnels to $service:"
grep -E 'CONNECT' "$work/proxy/log"
keyed=$(grep -ac "^X-Api-Key: $linkId" "$work/proxy/sent" || true)
if [[ ${#windows[@]} -gt 0 ]]; then
    [[ $keyed -ge 1 ]] || fail "wine's CONNECT request no longer carries the key: $(grep -a '^CONNECT' -A6 "$work/proxy/sent")"
    echo "As wine's WinHTTP does, its CONNECT requests carried the key in the clear:"
    grep -a '^CONNECT' -A6 "$work/proxy/sent" | tr -d '\r' | sed '/^$/q'
else
    [[ $keyed = 0 ]] && ! grep -aqiE 'x-api-key|/api/v1/images|/login' "$work/proxy/sent" ||
        fail "the proxy was sent what belongs inside the tunnel: $(grep -a '^CONNECT' -A6 "$work/proxy/sent")"
fi
