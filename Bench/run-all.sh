#!/usr/bin/env bash
# Every performance figure in one command: base64 and the JSON conversions against memcpy and
# OpenSSL (medians of repetitions, warm and cold), then the export against curl for 1, 8 and 30 MB
# pictures, each with its warm second export, ending with the README's table; then the same exports
# over a slow link (20 Mbit/s each way, 40 ms round trip) beside curl and the wire's own time, with
# the README's slow-link table.
#
#   Bench/run-all.sh BIN_DIR [RUNS (9)] [SLOW_LINK_RUNS (3)]
#   KAVELO_WINDOWS_BIN as for export-vs-curl.sh: the exports are the Windows build's under wine, the
#   table is the Windows one, against WinHttpPost, and the slow-link rows are the Windows workbench's.
set -euo pipefail

if [[ $# -lt 1 ]]; then
    echo "usage: $0 BIN_DIR [RUNS]  (BIN_DIR holds the benchmarks, kavelo-workbench and kavelo-service)" >&2
    exit 2
fi
bin=$1
runs=${2:-9}
slowRuns=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
medians=(--benchmark_repetitions=9 --benchmark_report_aggregates_only=true)

# Throughput from the bytes_per_second field, in GB/s.
echo "== Base64Bench, 10 MiB input (medians of 9): GB/s, and against OpenSSL and memcpy in the same run"
"$bin/Base64Bench" --benchmark_filter='/10485760' "${medians[@]}" 2>/dev/null | grep '_median' | awk '
{
    split($1, name, "/"); regime = name[2]; sub(/_.*/, "", regime)
    rate = $0; sub(/.*bytes_per_second=/, "", rate); sub(/ .*/, "", rate)
    value = rate + 0; if (rate ~ /M/) value /= 1000; if (rate ~ /k/) value /= 1e6
    gb[$1] = value; order[++n] = $1; reg[$1] = regime
    if (name[1] == "OpenSslEncodeBlock") openssl[regime] = value
    if (name[1] == "Memcpy") memcpy[regime] = value
}
END {
    for (i = 1; i <= n; ++i) {
        k = order[i]
        printf "  %-50s %7.2f GB/s   x%.2f OpenSSL   memcpy x%.2f faster\n", k, gb[k], gb[k] / openssl[reg[k]], memcpy[reg[k]] / gb[k]
    }
}'
echo "== JsonBench, 13 MiB data URL (medians of 9): time, and against memcpy of the same bytes in the same run"
"$bin/JsonBench" "${medians[@]}" 2>/dev/null | grep '_median' | awk '
{
    split($1, name, "/"); regime = name[2]; sub(/_.*/, "", regime)
    ms = $2; if ($3 == "us") ms /= 1000
    time[$1] = ms; order[++n] = $1; reg[$1] = regime
    if (name[1] == "MemcpyDataUrl") memcpy[regime] = ms
}
END {
    for (i = 1; i <= n; ++i) {
        k = order[i]
        printf "  %-44s %8.2f ms   x%.2f memcpy\n", k, time[k], time[k] / memcpy[reg[k]]
    }
}'

# Each row of a table: export-vs-curl.sh's last line. Its other lines go out as they are.
exports() { # TITLE RUNS
    rows=()
    for bytes in 1000000 8000000 30000000; do
        echo "== $1, $bytes-byte JPEG"
        out=$("$here/export-vs-curl.sh" "$bin" "$2" "$bytes")
        echo "$out" | grep -v '^|'
        rows+=("$(echo "$out" | grep '^|')")
    done
}
exports "export against curl" "$runs"
echo "== table"
if [[ -n ${KAVELO_WINDOWS_BIN:-} ]]; then
    echo "| JPEG | export (ms) | WinHttpPost (ms) | start and exit (ms) | workbench start and quit (ms) | export / WinHttpPost | export alone / post alone | warm export / post alone | peak RSS / JPEG |"
    echo "|---|---|---|---|---|---|---|---|---|"
else
    echo "| JPEG | export (ms) | curl (ms) | export / curl | export alone / curl | warm export / curl | peak RSS / JPEG |"
    echo "|---|---|---|---|---|---|---|"
fi
printf '%s\n' "${rows[@]}"
KAVELO_SLOW_LINK="20M 40" exports "over a 20 Mbit/s link with 40 ms round trip" "$slowRuns"
echo "== slow-link table"
echo "| JPEG | export alone (s) | curl (s) | wire (s) | export / curl | export / wire | curl / wire |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
