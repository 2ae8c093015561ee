#!/usr/bin/env bash
# Crashes create, add, remove and compact on a database of generated records, at kill points
# spread over each run: points of the I/O shim (tests/crash/io_shim.c: killed before a call,
# in the middle of a write, or after losing or reordering the data not yet synced) and
# SIGKILLs sent from outside at random times. After each kill the database must list and dump
# without error and hold the records from before or after the command, with no temporary file
# or journal left once it was opened. Prints one row per command.
# Every outcome that is not clean is described on standard error.
# Usage: bench/crash_sweep.sh [RECORDS] [SHIM_POINTS] [RANDOM_KILLS] [COMMANDS]
#   (after `make bench`) defaults 100000 24 12 "create add remove compact"; CI runs a small
#   count, e.g. 2000 6 3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-bench/bin
shim=$root/build-bench/lib/libcrash_io_shim.so
records=${1:-100000}
shim_points=${2:-24}
random_kills=${3:-12}
commands=${4:-create add remove compact}
[ -x "$bin/tarnwick" ] && [ -f "$shim" ] || { echo "run make bench first" >&2; exit 1; }
base=/dev/shm
[ -d "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/crash-sweep.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
tool() { "$bin/tarnwick" "$@"; }

# The database before every command: generated records, then a unit that rewrites every 20th
# with other data and one that removes some, so that compaction has dead versions to drop.
"$bin/tool_source" base.xml "$records"
"$bin/tool_source" new.xml $((records + 1)) # another seed: what create puts in its place
mkdir before
tool create before/x.db base.xml >/dev/null 2>&1
tool list before/x.db -skip >ids.txt
# Sources made from the listed ids. For add, 2,000 records (2% of a smaller database): half
# new ids, three of them 6 MiB so that the record cache flushes on the way; half rewritten,
# every third of these also made permanent.
cat >sources.py <<'EOF'
import random
ids = [line.split(",")[0] for line in open("ids.txt")]
random.seed(7)
head = '<?xml version="1.0" encoding="ISO-8859-1"?>\n<record_list>\n'
def record(id, text, flags=""):
    return '<record id="%s" type="text"%s><string>%s</string></record>\n' % (id, flags, text)
with open("rewrite.xml", "w") as out:
    out.write(head + "".join(record(id, "again " * random.randint(1, 30)) for id in ids[::20]))
    out.write("</record_list>\n")
count = min(2000, max(10, len(ids) // 50))
with open("add.xml", "w") as out:
    out.write(head)
    for n in range(count // 2):
        out.write(record("201-0-%d" % n, "x" * (6 << 20) if n < 3 else ("new %d " % n) * 3))
    for n, id in enumerate(random.sample(ids, count - count // 2)):
        flags = ' permanent="true"' if n % 3 == 0 else ""
        out.write(record(id, "changed " * random.randint(1, 40), flags))
    out.write("</record_list>\n")
EOF
python3 sources.py
tool add before/x.db rewrite.xml >/dev/null 2>&1
tool remove before/x.db 5-0-0:5-1-65535 >/dev/null 2>&1 || true # missing ids of the range: -1

# The records of a dump that match neither their state before nor after: the arguments name
# the dumps before, now and after.
cat >lost.py <<'EOF'
import re, sys
def records(name):
    text = open(name, encoding="latin-1").read()
    return {m.group(1): m.group(0)
            for m in re.finditer(r'<record id="([^"]+)".*?</record>', text, re.S)}
was, now, after = (records(name) for name in sys.argv[1:])
print(sum(now.get(id) not in (was.get(id), after.get(id)) for id in set(was) | set(after) | set(now)))
EOF

# Remove takes four ranges of the generated ids' high field, some 2% of them; the ids of the
# ranges that are missing make it end with -1.
declare -A arguments=(
    [create]="create run/x.db $work/new.xml"
    [add]="add run/x.db $work/add.xml"
    [remove]="remove run/x.db 7-0-0:7-1-65535,8-0-0:8-1-65535,9-0-0:9-1-65535,10-0-0:10-1-65535"
    [compact]="compact run/x.db"
)
restore() { rm -rf run && cp -r before run; }
dump() { tool dump run/x.db -binary -skipasc -all "$1" >/dev/null 2>&1; }

# Checks run/ after the kill that $1 describes; adds to the row's counters.
check() {
    kills=$((kills + 1))
    if ! tool list run/x.db >/dev/null 2>list.txt || ! dump state.xml; then
        unreadable=$((unreadable + 1))
        echo "$command, $1: unreadable: $(cat list.txt)" >&2
        return
    fi
    local files
    files=$(ls run | grep '#\|\.jnl$' || true)
    if [ -n "$files" ]; then
        left=$((left + 1))
        echo "$command, $1: left over:" $files >&2
    fi
    if cmp -s state.xml was.xml || cmp -s state.xml is.xml; then
        clean=$((clean + 1))
    else
        local missing
        missing=$(python3 lost.py was.xml state.xml is.xml)
        lost=$((lost + missing))
        echo "$command, $1: $missing records from neither state" >&2
    fi
}

row() { printf '%-8s %8s %7s %6s %6s %11s %13s %10s %6s\n' "$@"; }
row command records points kills clean unreadable 'records lost' 'left over' seconds
modes=(kill torn lose last)
for command in $commands; do
    read -ra args <<<"${arguments[$command]}"
    restore
    dump was.xml
    start=$(date +%s%N)
    TARNWICK_CRASH_LOG=$work/points LD_PRELOAD=$shim tool "${args[@]}" >/dev/null 2>&1 || true
    elapsed=$(($(date +%s%N) - start))
    dump is.xml
    points=$(cat points)
    count=${#points}
    kills=0 clean=0 unreadable=0 lost=0 left=0
    # Shim points evenly over the run, the first and the last among them.
    for ((i = 0; i < shim_points; ++i)); do
        n=$((1 + i * (count - 1) / (shim_points > 1 ? shim_points - 1 : 1)))
        mode=${modes[i % 4]}
        restore
        status=0
        TARNWICK_CRASH_AT=$n TARNWICK_CRASH_MODE=$mode LD_PRELOAD=$shim \
            tool "${args[@]}" >/dev/null 2>&1 || status=$?
        [ "$status" = 137 ] || { echo "$command: point $n of $count not reached" >&2; exit 1; }
        check "TARNWICK_CRASH_AT=$n (${points:n-1:1}) TARNWICK_CRASH_MODE=$mode"
    done
    # A run that ended before its kill is no kill point: it runs again, killed sooner.
    for ((i = 0; i < random_kills; ++i)); do
        ns=$((elapsed * (RANDOM % 1000) / 1000))
        for _ in 1 2 3 4 5 6; do
            restore
            "$bin/tarnwick" "${args[@]}" >/dev/null 2>&1 & # not through tool(): $! must be the tool
            pid=$!
            sleep "$(awk -v ns="$ns" 'BEGIN { printf "%.4f", ns / 1e9 }')"
            kill -KILL "$pid" 2>/dev/null || true
            status=0
            wait "$pid" 2>/dev/null || status=$?
            if [ "$status" = 137 ]; then check "SIGKILL after $ns ns"; break; fi
            ns=$((ns / 2))
        done
    done
    row "$command" "$records" "$count" "$kills" "$clean" "$unreadable" "$lost" "$left" \
        "$(awk -v ns="$elapsed" 'BEGIN { printf "%.2f", ns / 1e9 }')"
done
