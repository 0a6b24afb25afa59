#!/usr/bin/env bash
# Builds examples/flow_example.c against the Tarnwell installed under PREFIX, twice: through
# the CMake package and through pkg-config, and runs both. Only the installed files are used.
#   build_example.sh PREFIX SOURCE_DIR
set -euo pipefail
prefix=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/examples/flow_example.c" "$source_dir/examples/CMakeLists.txt" "$work/"
test -f "$prefix/include/tarnwell/tarnwell.h"
test -f "$prefix/include/tarnwell/FlowClass.h"
# The library file itself, with its SONAME link for loaders and the plain link for linkers.
so=$(find "$prefix" -name 'libtarnwell.so.*.*' -type f)
libdir=$(dirname "$so")
soname=$(readelf -d "$so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
test -L "$libdir/$soname" && test -L "$libdir/libtarnwell.so"

cmake -S "$work" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH=$libdir "$work/build/flow_example"

pcdir=$(dirname "$(find "$prefix" -name tarnwell.pc | head -1)")
export PKG_CONFIG_PATH=$pcdir
# shellcheck disable=SC2046 # the flags are separate words
cc -Wall -Wextra -Werror -o "$work/flow_example_pc" "$work/flow_example.c" \
    $(pkg-config --cflags --libs tarnwell)
LD_LIBRARY_PATH=$(pkg-config --variable=libdir tarnwell) "$work/flow_example_pc"
