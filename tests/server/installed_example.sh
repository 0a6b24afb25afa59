#!/usr/bin/env bash
# Installs Tarnwell's library and development files into a scratch prefix and builds the
# example against them.
set -euo pipefail
build_dir=$1 source_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
for component in tarnwell-runtime tarnwell-dev; do
    cmake --install "$build_dir" --component "$component" --prefix "$prefix" >/dev/null
done
"$source_dir/tests/server/build_example.sh" "$prefix" "$source_dir"
