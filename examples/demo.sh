#!/usr/bin/env bash
# Walks through the tool's commands on the files in examples/, echoing each command line
# before running it. Usage: examples/demo.sh path/to/tarnwick
set -u
tool=${1:?usage: examples/demo.sh path/to/tarnwick}
cd "$(dirname "$0")" || exit 1
case $tool in /*) ;; *) tool=$OLDPWD/$tool ;; esac

# Runs the tool with the given arguments; its messages (standard error) stay in order with
# the echoed lines.
run() {
    echo "\$ tarnwick $*"
    "$tool" "$@" 2>&1
    echo "(exit status $?)"
    echo
}

run help
run version
run calc 1-5 0x10005 65541 255-0-0 1-70000
