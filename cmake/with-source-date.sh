#!/bin/sh
# Compiler launcher (see ReproducibleBuild.cmake): runs the compile command that follows the
# stamp file with SOURCE_DATE_EPOCH exported, read from the stamp unless the caller set it.
stamp=$1
shift
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    read -r SOURCE_DATE_EPOCH <"$stamp" || exit 1
    export SOURCE_DATE_EPOCH
fi
exec "$@"
