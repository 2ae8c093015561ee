#!/usr/bin/env bash
# The main job on the shipped example: compile examples/notebook/ into a database, list it,
# dump it back to XML, compile the dump into a second database and compare the two. Each
# command line is echoed before it runs. Usage: examples/demo.sh path/to/tarnwick
set -u
tool=${1:?usage: examples/demo.sh path/to/tarnwick}
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
examples=$(cd "$(dirname "$0")" && pwd)
work=$(dirname "$tool")/../demo
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
ln -s "$examples/notebook" notebook

# Runs the tool with the given arguments; its messages (standard error) stay in order with
# the echoed lines.
run() {
    echo "\$ tarnwick $*"
    "$tool" "$@" 2>&1
    echo "(exit status $?)"
    echo
}

echo "Working in $(pwd)"
echo
run version
run calc 1-5 0x10005 65541 255-0-0
run create notebook.db notebook/main.xml notebook.deps
echo "\$ cat notebook.deps" && cat notebook.deps && echo
run list notebook.db
run dump notebook.db 3-2,2-2:2-4
run dump notebook.db -all notebook-dump.xml
run create copy.db notebook-dump.xml
run compare notebook.db copy.db
run remove copy.db 2-1:2-3
run compare notebook.db copy.db
run compact copy.db
run list copy.db -only
