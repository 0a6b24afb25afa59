# Sourced by the project's scripts: installs the Debian packages a step needs when missing.
# As root it installs them; otherwise it prints the exact command and stops.

# Building and starting Brisko, the library, its Python module and the command line.
BRISKO_PACKAGES_BUILD="cmake ninja-build g++ pkg-config binutils qt6-base-dev libxcb1-dev
    libboost-dev fonts-liberation pybind11-dev python3-dev python3-numpy
    libcli11-dev libfmt-dev nlohmann-json3-dev"
# The test frameworks, benchmarks, a headless X server with a window manager for the checks
# that need real window frames, and Poppler's tools to read the PDFs the calculator writes.
BRISKO_PACKAGES_TEST="libgtest-dev libbenchmark-dev python3-pytest xvfb xauth openbox xdotool
    x11-utils poppler-utils"
# Only the benchmarks compare against it.
BRISKO_PACKAGES_BENCH="python3-fluids"
# Making the Debian packages (tools/package) and checking them (tools/test): CPack's helpers,
# the icon renderer, help2man, the validators, lintian, and window capture for the start check.
BRISKO_PACKAGES_PACKAGING="dpkg-dev file python3 librsvg2-bin help2man desktop-file-utils appstream
    lintian x11-apps netpbm"
BRISKO_PACKAGES_WINDOWS="g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev wine wine64"

brisko_require_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Run as root:" >&2
        echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
}
