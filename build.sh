#!/usr/bin/env bash
# Sets up this machine, builds Lumbrix into build/ and runs one job:
#   ./build.sh demo    convert the shipped example and show what was written
#   ./build.sh test    build everything and run every test suite
#   ./build.sh bench   build for speed into build-bench/, run the micro-benchmarks, then time
#                      lumbrix against srec_cat, objcopy and hex2bin.py (bench/compare)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make python3 libgtest-dev libgmock-dev)
BENCH_PACKAGES=(cmake g++ make libbenchmark-dev srecord binutils python3-intelhex hyperfine time)
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

configure() {
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    cmake -S . -B "$BUILD_DIR" -DLUMBRIX_WERROR="$werror" "$@" >/dev/null
}

configure_and_build() {
    configure "$@"
    cmake --build "$BUILD_DIR" -j "$JOBS"
}

demo() {
    install_missing "${PACKAGES[@]}"
    configure
    cmake --build "$BUILD_DIR" -j "$JOBS" --target lumbrix
    local out
    out=$BUILD_DIR/demo
    mkdir -p "$out"
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

bench() {
    install_missing "${BENCH_PACKAGES[@]}"
    local BUILD_DIR=build-bench
    configure_and_build -DCMAKE_BUILD_TYPE=Release -DLUMBRIX_TESTS=OFF
    "$BUILD_DIR/bench/lumbrix_bench"
    bench/compare "$BUILD_DIR/console/lumbrix"
}

case "${1:-}" in
demo) demo ;;
test) run_tests ;;
bench) bench ;;
*)
    echo "usage: $0 demo|test|bench" >&2
    exit 2
    ;;
esac
