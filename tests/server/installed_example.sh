#!/usr/bin/env bash
# Installs Tarnwell's library and development files into a scratch prefix and builds the
# example against them (tests/server/build_example.sh). Every place that states the version
# must state the build's.
#
#   installed_example.sh <build dir> <source dir> <version> <major> <version text>
set -euo pipefail
build_dir=$1 source_dir=$2 version=$3 major=$4 text=$5
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
for component in tarnwell-runtime tarnwell-dev; do
    cmake --install "$build_dir" --component "$component" --prefix "$prefix" >/dev/null
done
so=$(find "$prefix" -name "libtarnwell.so.$version")
test -n "$so"
test -L "$(dirname "$so")/libtarnwell.so.$major"
test "$(readelf -d "$so" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')" = "libtarnwell.so.$major"
grep -q "^set(PACKAGE_VERSION \"$version\")" \
    "$(find "$prefix" -name TarnwellConfigVersion.cmake)"
pcdir=$(dirname "$(find "$prefix" -name tarnwell.pc | head -1)")
test "$(PKG_CONFIG_PATH=$pcdir pkg-config --modversion tarnwell)" = "$version"

# Both builds of the example print the version they were linked with.
output=$("$source_dir/tests/server/build_example.sh" "$prefix" "$source_dir")
echo "$output"
test "$(grep -c "^tarnwell $text: " <<<"$output")" -eq 2 || {
    echo "expected version $text from both builds" >&2
    exit 1
}
