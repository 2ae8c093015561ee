#!/usr/bin/env bash
# Installs a release tree (configured for /usr with the libdir lib64) under a DESTDIR and uses
# it from there as an outside user would. Usage: check_install.sh TREE WORK CC CXX
set -euo pipefail
tree=$1 work=$2 cc=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
unset LD_LIBRARY_PATH MAKEFLAGS MFLAGS # the installed run paths must do the work
rm -rf "$work" && mkdir -p "$work/run"
DESTDIR=$work/stage cmake --install "$tree" >"$work/install.log"
root=$work/stage/usr

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# expect WHAT EXPECTED ACTUAL
expect() {
    [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"
}

# ---- The layout: nothing stray under bin/, include/, the libdir and share/tarnwick/.
version=$(sed -n 's/^#define KELVANE_VERSION_\(MAJOR\|MINOR\|PATCH\) //p' \
    "$root/include/kelvane/kelvane.h" | paste -sd.)
expect "installed files" "bin/kelvane-table
bin/tarnwick
include/kelvane/ZBuffer.h
include/kelvane/ZString.h
include/kelvane/kelvane.h
include/kelvane/kelvane.hpp
lib64/cmake/Kelvane/KelvaneConfig.cmake
lib64/cmake/Kelvane/KelvaneConfigVersion.cmake
lib64/cmake/Kelvane/KelvaneTargets-release.cmake
lib64/cmake/Kelvane/KelvaneTargets.cmake
lib64/libkelvane.so
lib64/libkelvane.so.1
lib64/libkelvane.so.$version
lib64/libkelvane_text.a
lib64/pkgconfig/kelvane.pc
share/bash-completion/completions/tarnwick
share/man/man1/kelvane-table.1
share/man/man1/tarnwick.1
share/man/man3/kelvane.3
share/tarnwick/default.xml
share/tarnwick/kel.bin" \
    "$(cd "$root" && find bin include lib64 share/bash-completion share/man share/tarnwick \
        ! -type d | LC_ALL=C sort)"
for doc in README.md docs/usage.md docs/xml-format.md examples/notebook/main.xml; do
    [[ -f $root/share/doc/tarnwick/$doc ]] || fail "share/doc/tarnwick/$doc is missing"
done
expect "libkelvane.so link" "libkelvane.so.1" "$(readlink "$root/lib64/libkelvane.so")"
expect "SONAME" "Library soname: [libkelvane.so.1]" \
    "$(readelf -d "$root/lib64/libkelvane.so.$version" | grep -o 'Library soname: .*')"
expect "tool's run path" "Library runpath: [\$ORIGIN/../lib64]" \
    "$(readelf -d "$root/bin/tarnwick" | grep -o 'Library r.*path: .*')"
leaks=$(grep -rlF -e "$(cd "$here/../.." && pwd)" -e "$tree" "$root" || true)
[[ -z $leaks ]] || fail "installed files name the checkout or the build tree: $leaks"

# ---- The tool, from another directory, on the installed example: the atom streams need the
# table under share/tarnwick/ (there is none beside the tool).
cd "$work/run"
tool=$root/bin/tarnwick
"$tool" create a.db "$root/share/doc/tarnwick/examples/notebook/main.xml" 2>create.err ||
    fail "create: $(<create.err)"
grep -q "records were decoded" create.err || fail "create: $(<create.err)"
"$tool" dump a.db -all dump.xml
grep -q "<atom_stream>" dump.xml || fail "the dump shows no atom stream as text"
"$tool" create b.db dump.xml 2>/dev/null
expect "compare" "the databases contain the same data" "$("$tool" compare a.db b.db 2>&1)"

# ---- Programs built against the library: C with pkg-config, C and C++ with CMake.
table=$root/share/tarnwick/kel.bin
export PKG_CONFIG_PATH=$root/lib64/pkgconfig
expect "pkg-config version" "$version" "$(pkg-config --modversion kelvane)"
"$cc" -std=c99 -Wall -Wextra -Werror -pedantic-errors "$here/consumer/consumer.c" -o consumer \
    $(pkg-config --define-variable=prefix="$root" --cflags --libs kelvane)
expect "C consumer (pkg-config)" "Kelvane $version" \
    "$(LD_LIBRARY_PATH=$root/lib64 ./consumer "$table")"
# CMake searches <prefix>/lib64 only on lib64 systems; this one need not be such a system.
cmake -S "$here/consumer" -B cmake-consumer -DKelvane_DIR="$root/lib64/cmake/Kelvane" \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" >cmake-consumer.log 2>&1 &&
    cmake --build cmake-consumer >>cmake-consumer.log 2>&1 ||
    fail "CMake consumer: $(<cmake-consumer.log)"
expect "C consumer (CMake)" "Kelvane $version" "$(cmake-consumer/consumer_c "$table")"
cmake-consumer/consumer_cpp "$table" || fail "C++ consumer (CMake)"

# ---- Manual pages render without a warning.
for page in "$root"/share/man/man*/*; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "$page: $warnings"
done

# ---- Completion of command words, options and files.
complete_line() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tarnwick
             echo "${COMPREPLY[*]}"' - "$root/share/bash-completion/completions/tarnwick" "$@"
}
expect "completion of a command" "calc create compact compare" "$(complete_line tarnwick c)"
expect "completion of an option" "-skip" "$(complete_line tarnwick -T list a.db -s)"
expect "completion of a database" "a.db" "$(complete_line tarnwick dump a.d)"
expect "completion of a source" "dump.xml" "$(complete_line tarnwick create x.db -k d)"
echo "installed tree OK"
