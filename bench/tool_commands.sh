#!/usr/bin/env bash
# Times the tool's bulk commands on generated sources, each beside `xmllint --noout` on the same
# source in the same run, with peak memory (from /usr/bin/time). Every figure is the best of
# three runs, so that a busy machine disturbs the ratios as little as it can.
# Usage: bench/tool_commands.sh [RECORDS...]   (default: 100000 1000000; after `make bench`)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-bench/bin
[ -x "$bin/tarnwick" ] && [ -x "$bin/tool_source" ] || { echo "run make bench first" >&2; exit 1; }
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(100000 1000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Runs a command three times under /usr/bin/time; sets seconds (the best) and kib (its peak
# resident memory). The command's own output goes to files of the work directory.
measure() {
    seconds="" kib=""
    for _ in 1 2 3; do
        /usr/bin/time -f '%e %M' -o time.txt "$@" >out.txt 2>messages.txt || true
        read -r s k <time.txt
        if [ -z "$seconds" ] || awk -v a="$s" -v b="$seconds" 'BEGIN { exit !(a < b) }'; then
            seconds=$s kib=$k
        fi
    done
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

for records in "${counts[@]}"; do
    rm -f ./*.db ./*.ind ./*.xml ./*.txt
    # The source is about 306 bytes a record; the databases, the dump and the list need about
    # four times that again.
    need=$((records * 306 * 5 / 1024))
    free=$(df -Pk . | awk 'NR == 2 { print $4 }')
    if [ "$free" -lt "$need" ]; then
        echo "$records records: skipped, $free KiB free in $work and $need KiB needed"
        continue
    fi
    "$bin/tool_source" source.xml "$records"
    size=$(stat -c %s source.xml)
    measure xmllint --noout source.xml
    lint=$seconds
    echo
    echo "$records records, source $size bytes; xmllint --noout: $lint s, peak $kib KiB"
    printf '%-12s %8s %8s %10s  %s\n' command seconds 'x lint' 'peak KiB' 'last message'
    report() {
        local name=$1
        shift
        measure "$@"
        printf '%-12s %8s %8s %10s  %s\n' "$name" "$seconds" "$(ratio "$seconds" "$lint")" \
            "$kib" "$(tail -n 1 messages.txt)"
    }
    report create "$bin/tarnwick" create a.db source.xml
    echo "             peak memory of create / source size: $(ratio $((kib * 1024)) "$size")"
    report "dump -all" "$bin/tarnwick" dump a.db -all dump.xml
    report list "$bin/tarnwick" list a.db list.txt
    "$bin/tarnwick" create b.db dump.xml 2>/dev/null
    report compare "$bin/tarnwick" compare a.db b.db
    report compact "$bin/tarnwick" compact a.db
    echo "database $(stat -c %s a.db) bytes, index $(stat -c %s a.ind) bytes, dump $(stat -c %s dump.xml) bytes"
done
