#!/usr/bin/env bash
# Configures and builds two release trees of the checkout, TREES/a and TREES/b, with the same
# options: installed under /usr with the libdir lib64, without tests.
# Usage: build_trees.sh SOURCE TREES GENERATOR CC CXX
set -euo pipefail
source=$1 trees=$2 generator=$3 cc=$4 cxx=$5
unset MAKEFLAGS MFLAGS # not a sub-make of whatever make runs the tests
for tree in "$trees/a" "$trees/b"; do
    mkdir -p "$tree"
    if ! { cmake -S "$source" -B "$tree" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
        -DTARNWICK_TESTS=OFF -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_LIBDIR=lib64 &&
        cmake --build "$tree" -j "$(nproc)"; } >"$tree.log" 2>&1; then
        cat "$tree.log"
        exit 1
    fi
done
