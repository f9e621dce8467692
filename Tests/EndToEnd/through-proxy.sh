#!/usr/bin/env bash
# The main job with every request of the workbench (and of the job's own curl and browser stand-in)
# through a real proxy: tinyproxy on a free port with its own configuration, stopped by its PID. Then
# the proxy's log must show the tunnel to the service and nothing of what went through it.
#
#   Tests/EndToEnd/through-proxy.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "through-proxy: $*" >&2; exit 1; }

mkdir -p "$work/proxy"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/proxy/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 30
LogFile "$work/proxy/log"
LogLevel Info
CONF
tinyproxy -d -c "$work/proxy/tinyproxy.conf" >"$work/proxy/output" 2>&1 &
proxyPid=$!
trap 'kill "$proxyPid" 2>/dev/null; wait "$proxyPid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done

https_proxy="http://127.0.0.1:$port" no_proxy= "$here/../../Tools/MainJob/run" "$bin" "$work/job" | tee "$work/job.out"
grep -q 'Picture (file): .*\.jpg (byte for byte with the capture)' "$work/job.out" ||
    fail "the export through the proxy did not store the capture"
service=$(sed -n 's|.*CONNECT \(127\.0\.0\.1:[0-9]*\) HTTP/1\.1.*|\1|p' "$work/proxy/log" | sort -u)
[[ -n $service ]] || fail "the proxy saw no tunnel: $(cat "$work/proxy/log")"
if grep -qiE 'x-api-key|/api/v1/images|/login' "$work/proxy/log"; then
    fail "the proxy saw what went through its tunnel: $(cat "$work/proxy/log")"
fi
echo "The proxy saw only the tunnels to $service:"
grep -E 'CONNECT' "$work/proxy/log"
