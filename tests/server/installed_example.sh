#!/usr/bin/env bash
# Installs Tarnwell into a scratch prefix and builds the example against it twice: through
# the CMake package and through pkg-config. Only the installed files may be used. Every
# place that states the version must state the build's.
#
#   installed_example.sh <build dir> <source dir> <version> <major> <version text>
set -euo pipefail
build_dir=$1 source_dir=$2 version=$3 major=$4 text=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --component Unspecified --prefix "$work/prefix" >/dev/null
cp "$source_dir/examples/flow_example.c" "$source_dir/examples/CMakeLists.txt" "$work/"
test -f "$work/prefix/include/tarnwell/tarnwell.h"
test -f "$work/prefix/include/tarnwell/FlowClass.h"
so=$(find "$work/prefix" -name "libtarnwell.so.$version")
test -n "$so"
test -L "$(dirname "$so")/libtarnwell.so.$major"
test -L "$(dirname "$so")/libtarnwell.so"
test "$(readelf -d "$so" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')" = "libtarnwell.so.$major"
grep -q "^set(PACKAGE_VERSION \"$version\")" \
    "$(find "$work/prefix" -name TarnwellConfigVersion.cmake)"

check_output() {
    local output
    output=$("$@")
    echo "$output"
    [[ $output == "tarnwell $text: "* ]] || { echo "expected version $text" >&2; return 1; }
}

cmake -S "$work" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH=$(dirname "$so") check_output "$work/build/flow_example"

pcdir=$(dirname "$(find "$work/prefix" -name tarnwell.pc | head -1)")
export PKG_CONFIG_PATH=$pcdir
test "$(pkg-config --modversion tarnwell)" = "$version"
cc -Wall -Wextra -Werror -o "$work/flow_example_pc" "$work/flow_example.c" \
    $(pkg-config --cflags --libs tarnwell)
LD_LIBRARY_PATH=$(pkg-config --variable=libdir tarnwell) check_output "$work/flow_example_pc"
