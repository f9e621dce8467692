#!/usr/bin/env bash
# Runs the WinHTTP trust test under wine against four local TLS servers: one whose certificate
# chains to a CA the test adds to the prefix's root store, one of a CA nobody trusts, one whose
# certificate names another host, and one whose certificate names its host only in the common
# name. Then checks the servers' own counts: request bytes reached only the trusted one, and its
# request carried the test's own field, Host, and the one field WinHTTP always adds itself
# (Connection, hop-by-hop), nothing else: no agent, cookie or accept fields.
#   run-trust-test.sh WINE_RUN TEST_PROGRAM
set -euo pipefail
wine_run=$1
program=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
servers=
cleanup() {
    touch "$work/stop"
    [ -n "$servers" ] && wait "$servers" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

authority() {
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 -subj "/CN=$2" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
server() { # name, host named in the certificate, signing authority[, "nameless": no alternative name]
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
    printf 'extendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' > "$1.ext"
    [ "${4:-}" = nameless ] || printf 'subjectAltName=DNS:%s\n' "$2" >> "$1.ext"
    openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days 2 -extfile "$1.ext" \
        -out "$1.pem" 2>/dev/null
}
authority trusted-ca "KAVELO trust test CA"
authority unknown-ca "KAVELO untrusted CA"
server trusted localhost trusted-ca
server unknown-ca-server localhost unknown-ca
server wrong-name other.test trusted-ca
server common-name-only localhost trusted-ca nameless

python3 "$here/trust-servers.py" "$work" trusted:trusted.pem:trusted.key \
    unknown:unknown-ca-server.pem:unknown-ca-server.key wrong:wrong-name.pem:wrong-name.key \
    cn:common-name-only.pem:common-name-only.key &
servers=$!
for name in trusted unknown wrong cn; do
    for _ in $(seq 100); do [ -s "$name.port" ] && break; sleep 0.1; done
done

status=0
KAVELO_TRUSTED_CA="Z:$work/trusted-ca.pem" KAVELO_TRUSTED_PORT=$(cat trusted.port) \
    KAVELO_UNKNOWN_CA_PORT=$(cat unknown.port) KAVELO_WRONG_NAME_PORT=$(cat wrong.port) \
    KAVELO_COMMON_NAME_ONLY_PORT=$(cat cn.port) \
    "$wine_run" "$program" --gtest_brief=1 || status=$?

touch stop
wait "$servers" || true
servers=
for name in unknown wrong cn; do
    if [ "$(cat "$name.bytes")" != 0 ]; then
        echo "FAILED: the $name server received $(cat "$name.bytes") request bytes" >&2
        status=1
    fi
done
if [ "$(cat trusted.bytes)" = 0 ]; then
    echo "FAILED: the trusted server received no request" >&2
    status=1
elif [ "$(sort trusted.fields | tr '\n' ' ')" != "Connection Host X-Api-Key " ]; then
    echo "FAILED: the request's fields were: $(tr '\n' ' ' < trusted.fields)" >&2
    status=1
fi
exit $status
