#!/bin/sh
# Usage: names_section.sh KELVANE_TABLE SOURCE.xml DOCUMENT.md
# The document's names section, from its "## Names" heading to the end, must be exactly what
# `kelvane-table names SOURCE.xml` writes.
set -e
section=$(mktemp)
trap 'rm -f "$section"' EXIT
"$1" names "$2" > "$section"
sed -n '/^## Names$/,$p' "$3" | diff -u "$section" -
