#!/usr/bin/env bash
# Sets up this machine, builds Lumbrix into build/ and runs one job:
#   ./build.sh demo    convert the shipped example and show what was written
#   ./build.sh test    build everything and run every test suite
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make libgtest-dev libgmock-dev)
BUILD_DIR=build
JOBS=$(nproc)

install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

configure_and_build() {
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    cmake -S . -B "$BUILD_DIR" -DLUMBRIX_WERROR="$werror" >/dev/null
    cmake --build "$BUILD_DIR" -j "$JOBS"
}

demo() {
    install_missing "${PACKAGES[@]}"
    configure_and_build
    local out
    out=$(mktemp -d)
    for protocol in 4 6; do
        echo "=== lumbrix examples/firmware.hex firmware.qvr 5516 $protocol"
        "$BUILD_DIR/console/lumbrix" examples/firmware.hex "$out/firmware-type$protocol.qvr" 5516 $protocol
        echo "wrote $(stat -c %s "$out/firmware-type$protocol.qvr") bytes: $out/firmware-type$protocol.qvr"
        od -A x -t x1 -N 16 "$out/firmware-type$protocol.qvr"
        echo
    done
}

run_tests() {
    install_missing "${PACKAGES[@]}"
    configure_and_build
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS"
}

case "${1:-}" in
demo) demo ;;
test) run_tests ;;
*)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
