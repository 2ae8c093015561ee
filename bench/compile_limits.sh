#!/usr/bin/env bash
# Time and peak memory of `create` on sources that are large in one way, each beside
# `xmllint --noout --huge` on the same source in the same run (/usr/bin/time: elapsed seconds,
# CPU seconds, which tell more on a busy machine, and peak resident KiB).
#   bench/compile_limits.sh [RECORDS...]   (after `make bench`; uses build-bench/, or the
#   tool named by $TARNWICK to time another build on the same sources)
# The record counts (default 100000 1000000) give sources of many records; then come one
# record with 100,000 attributes, a 100 MB string, a 10 MB attribute value and 1,000,000
# nested ignore elements.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-bench/bin
tool=${TARNWICK:-$bin/tarnwick}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Runs a command (for at most $LIMIT seconds, default 900); sets seconds, cpu and kib.
measure() {
    /usr/bin/time -f '%e %U %S %M' -o time.txt timeout "${LIMIT:-900}" "$@" >/dev/null \
        2>messages.txt || true
    read -r seconds user system kib < <(tail -n 1 time.txt)
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-20s %10s | %7s %6s %6s %9s | %7s %6s %9s | %6s %6s\n' source bytes create cpu \
    'x lint' 'peak KiB' xmllint cpu 'peak KiB' 'x src' 'msgs'
run() {
    local name=$1
    shift
    "$bin/tool_source" source.xml "$@"
    local size
    size=$(stat -c %s source.xml)
    measure xmllint --noout --huge source.xml
    local lint=$seconds lintCpu=$cpu lintKib=$kib
    rm -f a.db a.ind
    measure "$tool" create a.db source.xml
    printf '%-20s %10s | %7s %6s %6s %9s | %7s %6s %9s | %6s %6s\n' "$name" "$size" \
        "$seconds" "$cpu" "$(ratio "$cpu" "$lintCpu")" "$kib" "$lint" "$lintCpu" "$lintKib" \
        "$(ratio $((kib * 1024)) "$size")" "$(grep -c . messages.txt || true)"
}
for records in "${@:-100000 1000000}"; do
    for count in $records; do run "$count records" "$count"; done
done
run "100,000 attributes" attributes 100000
run "100 MB string" text 100000000
run "10 MB value" value 10000000
run "1,000,000 nested" nesting 1000000
