#!/usr/bin/env bash
# Parsing speed of TXMLParser beside `xmllint --noout` on the same generated record source,
# measured in the same run. Builds nothing: run `make bench` first.
#   bench/xml_parse.sh [size in MB, default 32]
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build-bench/bin/xml_parse_bench
[ -x "$bench" ] || { echo "missing $bench: run make bench" >&2; exit 1; }
sample=$(mktemp --suffix=.xml)
trap 'rm -f "$sample"' EXIT
"$bench" --write-sample="$sample" --sample-mb="${1:-32}"
bytes=$(stat -c %s "$sample")

ours=$(TARNWICK_XML_SAMPLE="$sample" "$bench" --benchmark_format=csv 2>/dev/null |
       awk -F, '/BM_ParseRecordSource/ { printf "%.1f", $6 / 1e6 }')
printf 'sample            %d bytes\n' "$bytes"
printf 'TXMLParser        %s MB/s\n' "$ours"

if ! command -v xmllint >/dev/null; then
    echo 'xmllint --noout   not installed'
    exit 0
fi
best=0
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    xmllint --noout "$sample"
    elapsed=$(($(date +%s%N) - start))
    if [ "$best" = 0 ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
done
awk -v bytes="$bytes" -v ns="$best" -v ours="$ours" 'BEGIN {
    theirs = bytes / (ns / 1e9) / 1e6
    printf "xmllint --noout   %.1f MB/s (best of 5 runs)\n", theirs
    printf "ratio             %.2f\n", ours / theirs
}'
