# Sourced by the project's scripts: installs the Debian packages a step needs when missing.
# As root it installs them; otherwise it prints the exact command and stops.

# Building and starting Brisko (Boost.Math, header-only, for the engine's solvers).
BRISKO_PACKAGES_BUILD="cmake ninja-build g++ pkg-config binutils qt6-base-dev libboost-dev fonts-liberation"
# The test frameworks, benchmarks, a headless X server with a window manager for the checks
# that need real window frames, and Poppler's tools to read the PDFs the calculator writes.
BRISKO_PACKAGES_TEST="libgtest-dev libbenchmark-dev xvfb xauth openbox xdotool x11-utils poppler-utils"
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
