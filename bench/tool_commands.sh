#!/usr/bin/env bash
# Times the tool's commands on a generated source of 100,000 records, each beside
# `xmllint --noout` on the same source in the same run, with peak memory from /usr/bin/time.
# Usage: bench/tool_commands.sh [RECORDS]   (after `make bench`; uses build-bench/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-bench/bin
records=${1:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$bin/tool_source" source.xml "$records"
size=$(stat -c %s source.xml)

# Runs a command under /usr/bin/time; sets seconds and kib (peak resident memory).
measure() {
    /usr/bin/time -f '%e %M' -o time.txt "$@" >/dev/null 2>messages.txt || true
    read -r seconds kib <time.txt
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

measure xmllint --noout source.xml
lint=$seconds
echo "source: $records records, $size bytes; xmllint --noout: $lint s, peak $kib KiB"
printf '%-12s %8s %8s %10s  %s\n' command seconds 'x lint' 'peak KiB' 'last message'
report() {
    local name=$1
    shift
    measure "$@"
    printf '%-12s %8s %8s %10s  %s\n' "$name" "$seconds" "$(ratio "$seconds" "$lint")" "$kib" \
        "$(tail -n 1 messages.txt)"
}
report create "$bin/tarnwick" create a.db source.xml
echo "             peak memory of create / source size: $(ratio $((kib * 1024)) "$size")"
report "dump -all" "$bin/tarnwick" dump a.db -all dump.xml
report list "$bin/tarnwick" list a.db list.txt
"$bin/tarnwick" create b.db dump.xml 2>/dev/null
report compare "$bin/tarnwick" compare a.db b.db
report compact "$bin/tarnwick" compact a.db
echo "database $(stat -c %s a.db) bytes, dump $(stat -c %s dump.xml) bytes"
