#!/usr/bin/env bash
# Two release builds of one commit in two directories give byte-identical binaries, and the
# tool's build date is the source date: the last commit's time unless SOURCE_DATE_EPOCH was
# set. Usage: check_reproducible.sh TREE_A TREE_B SOURCE
set -euo pipefail
a=$1 b=$2 source=$3
cd "$a"
for file in bin/tarnwick bin/kelvane-table bin/kel.bin lib/libkelvane.so.*.*.* lib/static/*.a; do
    cmp "$a/$file" "$b/$file"
done

epoch=$(<"$a/source_date_epoch")
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
    [[ $epoch == "$(git -C "$source" log -1 --format=%ct)" ]] || {
        echo "source date $epoch is not the last commit's" && exit 1
    }
fi
expected=$(printf '\tTool built on %s' "$(LC_ALL=C date -u -d "@$epoch" '+%b %e %Y %H:%M:%S')")
grep -qxF "$expected" <(bin/tarnwick version 2>&1) || {
    echo "version does not show '$expected':" && bin/tarnwick version && exit 1
}
