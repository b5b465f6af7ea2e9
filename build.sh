#!/usr/bin/env bash
# Sets up this machine, builds Lumbrix into build/ and runs one job:
#   ./build.sh demo    convert the shipped example and show what was written
#   ./build.sh test    build everything and run every test suite, the Windows builds' under Wine
#   ./build.sh package build the Debian package of both programs into build/
#   ./build.sh screenshot  retake docs/lumbrix_gui.png, the dialog under Xvfb
#   ./build.sh windows build lumbrix.exe and lumbrix_gui.exe for 32-bit Windows into build-windows/
#   ./build.sh bench   build for speed into build-bench/, run the micro-benchmarks, then time
#                      lumbrix against srec_cat, objcopy and hex2bin.py (bench/compare)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make python3 libgtest-dev libgmock-dev qt6-base-dev)
PACKAGE_PACKAGES=(dpkg-dev file)
DIALOG_SCREENSHOT_PACKAGES=(xvfb xauth openbox xdotool imagemagick)
BENCH_PACKAGES=(cmake g++ make libbenchmark-dev srecord binutils python3-intelhex hyperfine time)
WINDOWS_PACKAGES=(cmake make python3 g++-mingw-w64-i686 googletest wine wine32 xvfb xauth)
BUILD_DIR=build
WINDOWS_BUILD_DIR=build-windows
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
    test_windows
}

# A Debian package of both programs, with the dialog program's desktop entry and icon.
package() {
    install_missing "${PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    configure_and_build
    (cd "$BUILD_DIR" && cpack)
}

screenshot() {
    install_missing "${PACKAGES[@]}" "${DIALOG_SCREENSHOT_PACKAGES[@]}"
    configure
    cmake --build "$BUILD_DIR" -j "$JOBS" --target lumbrix_gui
    dialog/screenshot.sh "$BUILD_DIR/dialog/qt/lumbrix_gui"
}

# Wine runs the 32-bit Windows programs with its i386 half, wine32.
add_i386_architecture() {
    dpkg --print-foreign-architectures | grep -qx i386 && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo dpkg --add-architecture i386
}

windows() {
    add_i386_architecture
    install_missing "${WINDOWS_PACKAGES[@]}"
    local BUILD_DIR=$WINDOWS_BUILD_DIR
    configure_and_build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
}

# A Wine prefix of our own inside the build folder, made once; no Mono or Gecko prompts.
start_wine() {
    export WINEPREFIX="$PWD/$WINDOWS_BUILD_DIR/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
}

# The console cases run again against lumbrix.exe, with Wine in front of it; the dialog
# program's tests drive lumbrix_gui.exe on a private X server, one at a time since they share
# its registry key.
test_windows() {
    windows
    start_wine
    LUMBRIX_RUNNER=wine LUMBRIX_PROGRAM="$PWD/$WINDOWS_BUILD_DIR/console/lumbrix.exe" \
        ctest --test-dir "$BUILD_DIR" -R '^Lumbrix\.' --output-on-failure -j "$JOBS"
    xvfb-run --auto-servernum ctest --test-dir "$WINDOWS_BUILD_DIR" --output-on-failure
    wineserver -w
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
package) package ;;
screenshot) screenshot ;;
windows) windows ;;
bench) bench ;;
*)
    echo "usage: $0 demo|test|package|screenshot|windows|bench" >&2
    exit 2
    ;;
esac
