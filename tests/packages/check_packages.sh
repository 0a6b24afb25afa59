#!/usr/bin/env bash
# Checks the Debian packages that tools/package made, without installing them: their control
# fields and contents, the desktop files through their validators, the programs and the
# development files used from a tree the packages are unpacked into, and lintian.
#
#   tests/packages/check_packages.sh [BUILD_DIR]      (default: build-package)
set -euo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build-package}" && pwd)
debs=$build_dir/debs
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
field() { dpkg-deb --field "$1" "$2"; }
# The example reading every program is checked with: the inputs of examples/flow_example.c.
example_inputs=(2.067 0.5 0.615 55 100 4.9)

echo "== Packages and versions"
shopt -s nullglob
declare -A version deb_of
while read -r name ver; do
    version[$name]=$ver
    deb_of[$name]=$debs/${name}_${ver}_${arch}.deb
done <"$build_dir/package-list.txt"
for deb in "$debs"/*.deb; do
    [ -v "version[$(field "$deb" Package)]" ] || fail "$deb is not a package of this build"
done
for name in "${!version[@]}"; do
    deb=${deb_of[$name]}
    if [ ! -f "$deb" ]; then
        fail "missing $deb"
        unset "version[$name]"
        continue
    fi
    [ "$(field "$deb" Version)" = "${version[$name]}" ] || fail "$name: Version is not ${version[$name]}"
    echo "$name ${version[$name]}: $(field "$deb" Depends)"
done
for name in brisko libtarnwell-dev; do
    [ -v "version[$name]" ] || fail "the build made no $name package"
done
library=$(printf '%s\n' "${!version[@]}" | grep -E '^libtarnwell[0-9]+$' || true)
if [ -z "$library" ] || [ "$failures" -ne 0 ]; then
    fail "the build made no libtarnwellN package"
    exit 1
fi

echo "== Contents"
# Files each package must hold; a path ending in / means some file below it.
declare -A required=(
    [brisko]="usr/bin/brisko usr/share/applications/brisko.desktop
        usr/share/metainfo/example.pelorim.brisko.metainfo.xml
        usr/share/icons/hicolor/scalable/apps/brisko.svg usr/share/man/man1/brisko.1.gz
        $(for s in 16 24 32 48 64 128 256; do echo "usr/share/icons/hicolor/${s}x${s}/apps/brisko.png"; done)"
    [$library]="usr/lib/$multiarch/libtarnwell.so.${library#libtarnwell}"
    [libtarnwell-dev]="usr/include/tarnwell/tarnwell.h usr/include/tarnwell/FlowClass.h
        usr/lib/$multiarch/libtarnwell.so usr/lib/$multiarch/pkgconfig/tarnwell.pc
        usr/lib/$multiarch/cmake/Tarnwell/TarnwellConfig.cmake"
    [tarnwell-tools]="usr/bin/tarnwell usr/share/man/man1/tarnwell.1.gz"
    [python3-tarnwell]="usr/lib/python3/dist-packages/"
)
for name in "${!version[@]}"; do
    dpkg-deb --contents "${deb_of[$name]}" | awk '{ print $6 }' | sed 's|^\./||' >"$work/$name.list"
    for path in ${required[$name]:-} usr/share/doc/$name/copyright usr/share/doc/$name/changelog.gz; do
        grep -qxF -- "$path" "$work/$name.list" ||
            { [[ $path == */ ]] && grep -q "^$path." "$work/$name.list"; } ||
            fail "$name lacks /$path"
    done
    while read -r path; do
        fail "$name puts a file outside /usr: /$path"
    done < <(grep -v -E '^(usr/.*)?$' "$work/$name.list")
done
# Two packages holding one file cannot both be installed.
while read -r path; do
    fail "/$path is in more than one package"
done < <(cat "$work"/*.list | grep -v '/$' | sort | uniq -d)

echo "== Control files"
dpkg-deb --ctrl-tarfile "${deb_of[$library]}" | tar -x -O ./triggers 2>/dev/null |
    grep -qx 'activate-noawait ldconfig' || fail "$library does not activate the ldconfig trigger"
dpkg-deb --ctrl-tarfile "${deb_of[$library]}" | tar -x -O ./shlibs 2>/dev/null |
    grep -qx "libtarnwell ${library#libtarnwell} $library (>= ${version[$library]})" ||
    fail "$library has no shlibs entry for its SONAME"
field "${deb_of[libtarnwell-dev]}" Depends | grep -qF "$library (= ${version[$library]})" ||
    fail "libtarnwell-dev does not depend on exactly its library"

mkdir -p "$root"
for name in "${!version[@]}"; do
    dpkg-deb -x "${deb_of[$name]}" "$root"
done
# Every program and library: found through the system's paths only (no build-tree RUNPATH),
# dependencies from dpkg-shlibdeps, and a dependency on libtarnwell where it is linked.
for name in "${!version[@]}"; do
    while read -r path; do
        file -b "$root/$path" | grep -q '^ELF' || continue
        dynamic=$(readelf -d "$root/$path")
        ! grep -q -E 'RPATH|RUNPATH' <<<"$dynamic" || fail "/$path keeps a run path"
        field "${deb_of[$name]}" Depends | grep -q 'libc6' ||
            fail "$name: no dependencies from dpkg-shlibdeps for /$path"
        if grep -q "(NEEDED).*\[libtarnwell.so.${library#libtarnwell}\]" <<<"$dynamic"; then
            field "${deb_of[$name]}" Depends | grep -qF "$library (= ${version[$library]})" ||
                fail "$name links libtarnwell but does not depend on $library"
        fi
    done < <(grep -v '/$' "$work/$name.list")
done

echo "== Desktop entry, metainfo and icons"
desktop=$root/usr/share/applications/brisko.desktop
metainfo=$root/usr/share/metainfo/example.pelorim.brisko.metainfo.xml
desktop-file-validate "$desktop" || fail "brisko.desktop does not validate"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo does not validate"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "brisko.desktop starts $exec_name, which is not in /usr/bin"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
    fail "brisko.desktop names the icon $icon_name, which the package lacks"
for png in "$root"/usr/share/icons/hicolor/*x*/apps/*.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not $size"
done
grep -q '<launchable type="desktop-id">brisko.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch brisko.desktop"
grep -q "<release version=\"${version[brisko]}\"" "$metainfo" ||
    fail "the metainfo's release is not ${version[brisko]}"

echo "== Brisko from the unpacked tree, to its first paint"
"$source_dir/tools/window-shot" "$work/brisko.png" "$root/usr/bin/brisko" ||
    fail "the unpacked brisko did not show and paint its window"

echo "== Building against the unpacked development files"
example=$("$source_dir/tests/server/build_example.sh" "$root/usr" "$source_dir") ||
    fail "the example does not build and run against the unpacked libtarnwell-dev"
echo "$example"
# Both builds of the example print the same line: "tarnwell VERSION: FLOW Mcf/d".
example_flow=$(awk 'NR == 1 { print $3 }' <<<"$example")
export LD_LIBRARY_PATH=$root/usr/lib/$multiarch

if [ -v "version[tarnwell-tools]" ]; then
    echo "== tarnwell flow from the unpacked tree"
    read -r meter bore gravity temperature pressure differential <<<"${example_inputs[*]}"
    json=$("$root/usr/bin/tarnwell" flow --meter "$meter" --bore "$bore" --gravity "$gravity" \
        --temperature "$temperature" --pressure "$pressure" --differential "$differential" --json) ||
        fail "tarnwell flow failed"
    flow=$(/usr/bin/python3 -c 'import json, sys; print("%.6f" % json.load(sys.stdin)["flow_mcfd"])' \
        <<<"$json") || fail "tarnwell flow --json printed no flow_mcfd: $json"
    echo "tarnwell flow: $flow Mcf/d"
    [ "$flow" = "$example_flow" ] || fail "tarnwell flow gives $flow, the library $example_flow"
fi

if [ -v "version[python3-tarnwell]" ]; then
    echo "== The Python module from the unpacked tree"
    flow=$(PYTHONPATH=$root/usr/lib/python3/dist-packages /usr/bin/python3 -s - "$root" \
        "${example_inputs[@]}" <<'EOF'
import sys
import tarnwell
root, *inputs = sys.argv[1:]
if not tarnwell.__file__.startswith(root):
    sys.exit(f"imported {tarnwell.__file__}, not the unpacked module")
print("%.6f" % tarnwell.calc_flow(*map(float, inputs)))
EOF
    ) || fail "the Python module does not import or compute from the unpacked tree"
    echo "tarnwell.calc_flow: $flow Mcf/d"
    [ "$flow" = "$example_flow" ] || fail "tarnwell.calc_flow gives $flow, the library $example_flow"
fi
unset LD_LIBRARY_PATH

echo "== lintian"
# Accepted warnings, each for a reason:
#  maintscript-calls-ldconfig: CPack's DEB generator writes an ldconfig postinst and postrm for
#    every library under /usr/lib and has no switch against it; the package also activates
#    dpkg's ldconfig trigger, which is what lintian asks for, so ldconfig merely runs twice.
accepted="^W: $library: maintscript-calls-ldconfig \[(postinst|postrm)\]$"
lintian_out=$(lintian --display-info "${deb_of[@]}" 2>&1 | grep -v '^running with root privileges') || true
echo "$lintian_out"
while read -r line; do
    case $line in
    E:* | W:*) grep -qE "$accepted" <<<"$line" || fail "lintian: $line" ;;
    esac
done <<<"$lintian_out"

if [ "$failures" -ne 0 ]; then
    echo "check_packages: $failures failure(s)" >&2
    exit 1
fi
echo "check_packages: all ${#version[@]} packages pass"
