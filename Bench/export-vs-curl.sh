#!/usr/bin/env bash
# One export of a noise JPEG through the workbench and the add-on, against curl posting the same
# JSON body with the same X-Api-Key header to the same local service. Reports the median wall time
# of each (whole process: start, TLS handshake, upload, answer), their ratio, the export alone (the
# workbench's start and quit taken off), a second export in the same workbench session (warm), and
# the workbench's peak resident memory as a multiple of the JPEG's size. Runs alternate so all see
# the same load. The last line is one row of the table in README.md.
#
#   Bench/export-vs-curl.sh BIN_DIR [RUNS (7)] [JPEG_BYTES (8000000)]
#   KAVELO_WINDOWS_BIN  a Windows build's bin folder: the workbench and module from there run under
#                       wine (the service and curl stay the same), measured against the platform's
#                       own floor: WinHttpPost posting the same body through the HTTP host library, and
#                       StartAndExit, wine's start alone. All run in one throwaway copy of the build's
#                       prefix whose root store trusts the service's CA from the first run on, with
#                       its wine server up throughout. The service then listens on 127.0.0.1:8443,
#                       where the module's origin (localhost:8443) leads, as WinHTTP connects where
#                       the URL says. Peak RSS is the wine process's.
#   KAVELO_SLOW_LINK    "RATE RTT_MS" (e.g. "20M 40"): the workbench and curl reach the service through
#                       Tests/Support/slow-link.py at RATE bits per second each way and RTT_MS of round
#                       trip; then the wire's own time (the body's bits / RATE) and the ratios to it are
#                       printed too, the second export is not run, and the last line is a row of the
#                       slow-link table. With KAVELO_WINDOWS_BIN the link listens at 127.0.0.1:8443,
#                       where the module's origin leads, and the service elsewhere; WinHttpPost goes
#                       through it too, the floor that tells wine's cost on the link from the add-on's.
set -euo pipefail
# The system's own trust, as on a user's machine: a bundle named in the environment would be read
# whole at every connection (25 to 30 ms of processor time here), which curl, given --cacert, skips.
unset SSL_CERT_FILE SSL_CERT_DIR

if [[ $# -lt 1 || ! -x "$1/kavelo-service" || ! -x "$1/NoiseJpeg" ||
      (-z ${KAVELO_WINDOWS_BIN:-} && ! -x "$1/kavelo-workbench") ]]; then
    echo "usage: $0 BIN_DIR [RUNS] [JPEG_BYTES]  (BIN_DIR holds kavelo-service, NoiseJpeg and, for Linux, kavelo-workbench)" >&2
    exit 2
fi
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
runs=${2:-7}
jpegBytes=${3:-8000000}

work=$(mktemp -d)
servicePid=
linkPid=
prefix=
cleanup() {
    if [[ -n $linkPid ]]; then kill "$linkPid" 2>/dev/null && wait "$linkPid" 2>/dev/null || true; fi
    if [[ -n $servicePid ]]; then kill "$servicePid" 2>/dev/null && wait "$servicePid" 2>/dev/null || true; fi
    if [[ -n $prefix ]]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "export-vs-curl: $*" >&2; exit 1; }
# The service and the slow link both say "listening on ..." when ready; waits up to 10 s for it.
awaitListening() { # LOG
    for _ in $(seq 100); do
        grep -qs '^listening on ' "$1" && return
        sleep 0.1
    done
}

windowsBin=${KAVELO_WINDOWS_BIN:+$(cd "$KAVELO_WINDOWS_BIN" && pwd)}
read -r linkRate linkRtt <<<"${KAVELO_SLOW_LINK:-}"
# The Windows workbench connects to the origin's port: the service, or the slow link in front of it.
originPort=()
[[ -n $windowsBin ]] && originPort=(--listen 8443)
listen=127.0.0.1:0
[[ -n $windowsBin && -z $linkRate ]] && listen=127.0.0.1:8443

# The service on a free port (or the origin's); its first lines name the CA and the port.
"$bin/kavelo-service" --listen "$listen" --data-dir "$work/service" --max-body 64M >"$work/service.log" 2>&1 &
servicePid=$!
awaitListening "$work/service.log"
port=$(sed -n 's|^listening on https://127.0.0.1:\([0-9]*\)$|\1|p' "$work/service.log")
ca=$(sed -n 's|^CA certificate: ||p' "$work/service.log")
[[ -n $port && -n $ca ]] || fail "the service did not start: $(cat "$work/service.log")"
[[ $ca = /* ]] || ca="$PWD/$ca"

# Where the workbench and curl connect: the service, or the slow link in front of it.
target=127.0.0.1:$port
if [[ -n $linkRate ]]; then
    python3 "$here/../Tests/Support/slow-link.py" --to "$target" --rate "$linkRate" --rtt "${linkRtt:-40}" \
        "${originPort[@]}" >"$work/link.log" 2>&1 &
    linkPid=$!
    awaitListening "$work/link.log"
    linkPort=$(sed -n 's|^listening on \([0-9]*\)$|\1|p' "$work/link.log")
    [[ -n $linkPort ]] || fail "the slow link did not start: $(cat "$work/link.log")"
    target=127.0.0.1:$linkPort
fi

jpeg="$work/view.jpg"
"$bin/NoiseJpeg" "$jpeg" "$jpegBytes" >/dev/null
jpegSize=$(stat -c %s "$jpeg")

if [[ -n $windowsBin ]]; then
    # The CA goes into the copy's root store once, as a developer trusts it: adding it again on
    # every run would cost each run a first opening of the store.
    prefix="$work/wineprefix"
    cp -a "$windowsBin/../wineprefix" "$prefix"
    export KAVELO_WINEPREFIX=$prefix
    WINEPREFIX=$prefix wineserver -p
    wine=("$windowsBin/../wine-run")
    # Under wine the build machine's root is drive Z:.
    workbench=("${wine[@]}" "$windowsBin/kavelo-workbench.exe" --data-dir "Z:$work/workbench" --view-image "Z:$jpeg")
    trustOnce=(--trust-ca "Z:$ca")
    curlTls=(--cacert "$ca")
else
    workbench=("$bin/kavelo-workbench" --data-dir "$work/workbench" --trust-ca "$ca"
               --connect-to "localhost:8443:$target" --view-image "$jpeg")
    trustOnce=()
    curlTls=(--cacert "$ca" --connect-to "localhost:8443:$target")
fi

# Link: the first export makes and stores a link id (dialog 32520, OK) and opens the login page,
# where the browser stand-in signs in with the account the service made at its first start and
# presses the link button.
user=$(sed -n 's|^account \([^,]*\), password .*|\1|p' "$work/service.log")
password=$(sed -n 's|^account [^,]*, password \(.*\)$|\1|p' "$work/service.log")
[[ -n $user && -n $password ]] || fail "the service printed no account: $(cat "$work/service.log")"
printf 'answer 1\nmenu 32512\nprefs show\nquit\n' >"$work/link.script"
BROWSER="$here/../Tools/MainJob/browser-standin" KAVELO_CA="$ca" KAVELO_CONNECT_TO="localhost:8443:$target" \
    KAVELO_USER="$user" KAVELO_PASSWORD="$password" \
    "${workbench[@]}" "${trustOnce[@]}" --script "$work/link.script" >"$work/link.out" 2>&1 || fail "linking run failed: $(cat "$work/link.out")"
linkId=$(sed -n 's/^link id: "\([0-9a-f-]\{36\}\)".*/\1/p' "$work/link.out")
[[ -n $linkId ]] || fail "no link id stored: $(cat "$work/link.out")"
# Under wine the page went to the prefix's browser setting; the stand-in opens it here instead.
if [[ -n $windowsBin ]]; then
    KAVELO_CA="$ca" KAVELO_USER="$user" KAVELO_PASSWORD="$password" \
        "$here/../Tools/MainJob/browser-standin" "https://localhost:8443/login?eid=$linkId" ||
        fail "the stand-in did not link $linkId"
fi
# Linked once an empty upload is no longer refused as unauthorised.
for _ in $(seq 100); do
    status=$(curl -sS "${curlTls[@]}" -H "X-Api-Key: $linkId" --data '{}' -o /dev/null -w '%{http_code}' \
        https://localhost:8443/api/v1/images)
    [[ $status != 401 ]] && break
    sleep 0.1
done
[[ $status != 401 ]] || fail "the login page did not link $linkId"

# The body the add-on sends, byte for byte: its three members in order, no blanks.
{
    printf '{"image":"data:image/jpeg;base64,'
    base64 -w0 "$jpeg"
    printf '","name":"Archicad export","source":"archicad"}'
} >"$work/body.json"

# The browser was opened on the service moments ago, so success is dialog 32531 (OK only).
printf 'answer 1\nmenu 32512\nquit\n' >"$work/export.script"
printf 'answer 1\nmenu 32512\nanswer 1\nmenu 32512\nquit\n' >"$work/twice.script"
printf 'quit\n' >"$work/idle.script"

now() { date +%s%N; }

# Each sets elapsed (µs), rss (KiB), cpu (user and system, µs) and faults (minor page faults) of one
# run; its output is in run.out. Processor time is what other load on the machine disturbs least.
timed() { # COMMAND...
    local start end
    start=$(now)
    /usr/bin/time -f '%M %U %S %R' -o "$work/usage" "$@" >"$work/run.out" 2>&1 || fail "$1 failed: $(cat "$work/run.out")"
    end=$(now)
    elapsed=$(((end - start) / 1000))
    read -r rss cpu faults < <(awk '{printf "%d %d %d\n", $1, ($2 + $3) * 1e6, $4}' "$work/usage")
}
runWorkbench() { timed "${workbench[@]}" --script "$1"; } # SCRIPT
runCurl() {
    timed curl -sS "${curlTls[@]}" -H "X-Api-Key: $linkId" -H 'Content-Type:' -H 'Expect:' \
        --data-binary "@$work/body.json" -o /dev/null -w '%{http_code}' https://localhost:8443/api/v1/images
    [[ $(cat "$work/run.out") = 201 ]] || fail "curl upload answered $(cat "$work/run.out")"
}
runFloor() { timed "${wine[@]}" "$windowsBin/WinHttpPost.exe" localhost 8443 /api/v1/images "$linkId" "Z:$work/body.json"; }
runStart() { timed "${wine[@]}" "$windowsBin/StartAndExit.exe"; }

# One of each first, unmeasured: page cache, service buffers.
runWorkbench "$work/export.script"
grep -q 'dialog 32531' "$work/run.out" || fail "the export did not succeed: $(cat "$work/run.out")"
runCurl
floor=
[[ -n $windowsBin ]] && floor=1
if [[ -n $floor ]]; then runFloor; runStart; fi

wbTimes=(); curlTimes=(); idleTimes=(); twiceTimes=(); wbRss=(); idleRss=(); curlRss=()
floorTimes=(); startTimes=(); floorRss=(); wbCpu=(); idleCpu=(); floorCpu=(); startCpu=(); wbFaults=(); idleFaults=()
floorFaults=(); startFaults=()
for _ in $(seq "$runs"); do
    runWorkbench "$work/export.script"; wbTimes+=("$elapsed"); wbRss+=("$rss"); wbCpu+=("$cpu"); wbFaults+=("$faults")
    grep -q 'dialog 32531' "$work/run.out" || fail "an export did not succeed: $(cat "$work/run.out")"
    runCurl; curlTimes+=("$elapsed"); curlRss+=("$rss")
    if [[ -n $floor ]]; then
        runFloor; floorTimes+=("$elapsed"); floorRss+=("$rss"); floorCpu+=("$cpu"); floorFaults+=("$faults")
        runStart; startTimes+=("$elapsed"); startCpu+=("$cpu"); startFaults+=("$faults")
    fi
    runWorkbench "$work/idle.script"; idleTimes+=("$elapsed"); idleRss+=("$rss"); idleCpu+=("$cpu"); idleFaults+=("$faults")
    [[ -n $linkRate ]] && continue
    runWorkbench "$work/twice.script"; twiceTimes+=("$elapsed")
    [[ $(grep -c 'dialog 32531' "$work/run.out") = 2 ]] || fail "two exports did not succeed: $(cat "$work/run.out")"
done

# The service logs the size of every body: the add-on's, curl's and WinHttpPost's must be the same.
sizes=$(sed -n 's|.*path=/api/v1/images status=201 bytes_in=\([0-9]*\).*|\1|p' "$work/service.log" | sort -u)
[[ $(wc -l <<<"$sizes") = 1 ]] || fail "the add-on and curl sent bodies of different sizes: $sizes"

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
max() { printf '%s\n' "$@" | sort -n | tail -1; }

wb=$(median "${wbTimes[@]}"); cu=$(median "${curlTimes[@]}"); idle=$(median "${idleTimes[@]}")
peak=$(max "${wbRss[@]}")
ms() { printf '%s\n' "$@" | awk '{printf " %.0f", $1 / 1000}'; }

if [[ -n $linkRate ]]; then
    postAlone=
    [[ -n $floor ]] && postAlone=$(awk -v f="$(median "${floorTimes[@]}")" -v s="$(median "${startTimes[@]}")" 'BEGIN { print f - s }')
    awk -v wb="$wb" -v cu="$cu" -v idle="$idle" -v jpeg="$jpegSize" -v body="$(stat -c %s "$work/body.json")" \
        -v runs="$runs" -v rate="$linkRate" -v rtt="${linkRtt:-40}" -v post="$postAlone" '
    BEGIN {
        bits = rate + 0; unit = tolower(substr(rate, length(rate)))
        bits *= unit == "k" ? 1e3 : unit == "m" ? 1e6 : unit == "g" ? 1e9 : 1
        wire = body * 8 / bits * 1e6
        printf "JPEG %d bytes, JSON body %d bytes, through %s bit/s with %d ms round trip, %d runs each, medians\n",
            jpeg, body, rate, rtt, runs
        printf "  workbench export      %8.1f ms   (export alone, start-up and quit taken off: %.1f ms)\n", wb / 1000,
            (wb - idle) / 1000
        printf "  curl, same body       %8.1f ms\n", cu / 1000
        printf "  the wire alone        %8.1f ms   (the body at %s bit/s)\n", wire / 1000, rate
        printf "  export alone / curl   %8.2f       (goal <= 1.05)\n", (wb - idle) / cu
        printf "  export alone / wire   %8.2f       (goal <= 1.1)\n", (wb - idle) / wire
        printf "  curl / wire           %8.2f\n", cu / wire
        if (post != "") {
            printf "  WinHttpPost alone     %8.1f ms   (its start taken off)\n", post / 1000
            printf "  export alone / post   %8.2f\n", (wb - idle) / post
            printf "| %.1f MB | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", jpeg / 1e6, (wb - idle) / 1e6,
                cu / 1e6, post / 1e6, wire / 1e6, (wb - idle) / cu, (wb - idle) / post, (wb - idle) / wire, post / wire
        } else
            printf "| %.1f MB | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", jpeg / 1e6, (wb - idle) / 1e6, cu / 1e6,
                wire / 1e6, (wb - idle) / cu, (wb - idle) / wire, cu / wire
    }'
    echo "  each run (ms): workbench$(ms "${wbTimes[@]}"); curl$(ms "${curlTimes[@]}"); no export$(ms "${idleTimes[@]}")"
    exit 0
fi
twice=$(median "${twiceTimes[@]}")
awk -v wb="$wb" -v cu="$cu" -v idle="$idle" -v twice="$twice" -v peak="$peak" -v idlePeak="$(max "${idleRss[@]}")" \
    -v curlPeak="$(max "${curlRss[@]}")" -v jpeg="$jpegSize" -v body="$(stat -c %s "$work/body.json")" -v runs="$runs" \
    -v windows="$windowsBin" '
BEGIN {
    printf "JPEG %d bytes, JSON body %d bytes, %d runs each, medians of wall time\n", jpeg, body, runs
    printf "  workbench export      %8.1f ms   peak RSS %7.1f MB\n", wb / 1000, peak / 1024
    printf "  curl, same body       %8.1f ms   peak RSS %7.1f MB\n", cu / 1000, curlPeak / 1024
    printf "  workbench, no export  %8.1f ms   peak RSS %7.1f MB  (start-up and quit only)\n", idle / 1000, idlePeak / 1024
    printf "  workbench, 2 exports  %8.1f ms   (second export, warm: %.1f ms)\n", twice / 1000, (twice - wb) / 1000
    printf "  ratio workbench/curl  %8.2f       (goal <= 1.3)\n", wb / cu
    printf "  export alone / curl   %8.2f       (goal <= 1.2; export minus start and quit)\n", (wb - idle) / cu
    printf "  warm export / curl    %8.2f\n", (twice - wb) / cu
    printf "  peak RSS / JPEG size  %8.2f       (goal <= 6)\n", peak * 1024 / jpeg
    if (windows == "")
        printf "| %.1f MB | %.1f | %.1f | %.2f | %.2f | %.2f | %.2f |\n", jpeg / 1e6, wb / 1000, cu / 1000, wb / cu,
            (wb - idle) / cu, (twice - wb) / cu, peak * 1024 / jpeg
}'
echo "  each run (ms): workbench$(ms "${wbTimes[@]}"); curl$(ms "${curlTimes[@]}"); no export$(ms "${idleTimes[@]}"); two exports$(ms "${twiceTimes[@]}")"
[[ -n $windowsBin ]] || exit 0

# Under wine: against the platform's floor, each program's start taken off its own time for "alone".
floor=$(median "${floorTimes[@]}"); start=$(median "${startTimes[@]}")
awk -v wb="$wb" -v floor="$floor" -v start="$start" -v idle="$idle" -v twice="$twice" -v peak="$peak" \
    -v floorPeak="$(max "${floorRss[@]}")" -v jpeg="$jpegSize" '
BEGIN {
    printf "  WinHttpPost, same body %7.1f ms   peak RSS %7.1f MB\n", floor / 1000, floorPeak / 1024
    printf "  start and exit only    %7.1f ms\n", start / 1000
    printf "  export / WinHttpPost    %7.2f       (goal <= 1.2)\n", wb / floor
    printf "  export alone / post alone %5.2f       (goal <= 1.05; each minus its own start: the workbench'"'"'s start and quit, a trivial program'"'"'s)\n", (wb - idle) / (floor - start)
    printf "  warm export / post alone %6.2f\n", (twice - wb) / (floor - start)
    printf "| %.1f MB | %.1f | %.1f | %.1f | %.1f | %.2f | %.2f | %.2f | %.2f |\n", jpeg / 1e6, wb / 1000, floor / 1000,
        start / 1000, idle / 1000, wb / floor, (wb - idle) / (floor - start), (twice - wb) / (floor - start),
        peak * 1024 / jpeg
}'
echo "  each run (ms): WinHttpPost$(ms "${floorTimes[@]}"); start and exit$(ms "${startTimes[@]}")"
awk -v wb="$(median "${wbCpu[@]}")" -v idle="$(median "${idleCpu[@]}")" -v floor="$(median "${floorCpu[@]}")" \
    -v start="$(median "${startCpu[@]}")" -v wbF="$(median "${wbFaults[@]}")" -v idleF="$(median "${idleFaults[@]}")" \
    -v floorF="$(median "${floorFaults[@]}")" -v startF="$(median "${startFaults[@]}")" '
BEGIN {
    printf "  processor time (ms) and page faults, medians: export %.0f, %d; no export %.0f, %d; WinHttpPost %.0f, %d; start and exit %.0f, %d\n",
        wb / 1000, wbF, idle / 1000, idleF, floor / 1000, floorF, start / 1000, startF
    printf "  by processor time: export / WinHttpPost %.2f, export alone / post alone %.2f\n", wb / floor,
        (wb - idle) / (floor - start)
}'
