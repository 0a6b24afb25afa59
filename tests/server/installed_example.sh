#!/usr/bin/env bash
# Installs Tarnwell into a scratch prefix and builds the example against it twice: through
# the CMake package and through pkg-config. Only the installed files may be used.
set -euo pipefail
build_dir=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --component Unspecified --prefix "$work/prefix" >/dev/null
cp "$source_dir/examples/flow_example.c" "$source_dir/examples/CMakeLists.txt" "$work/"
test -f "$work/prefix/include/tarnwell/tarnwell.h"
test -f "$work/prefix/include/tarnwell/FlowClass.h"
so=$(find "$work/prefix" -name 'libtarnwell.so.99.0')
test -n "$so" && test -L "$(dirname "$so")/libtarnwell.so.99" && test -L "$(dirname "$so")/libtarnwell.so"

cmake -S "$work" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH=$(dirname "$so") "$work/build/flow_example"

pcdir=$(dirname "$(find "$work/prefix" -name tarnwell.pc | head -1)")
export PKG_CONFIG_PATH=$pcdir
cc -Wall -Wextra -Werror -o "$work/flow_example_pc" "$work/flow_example.c" \
    $(pkg-config --cflags --libs tarnwell)
LD_LIBRARY_PATH=$(pkg-config --variable=libdir tarnwell) "$work/flow_example_pc"
