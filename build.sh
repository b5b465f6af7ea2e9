#!/usr/bin/env bash
# Sets up this machine, builds Lumbrix into build/ and runs one job:
#   ./build.sh demo    convert the shipped example and show what was written
#   ./build.sh test    build everything and run every test suite, the Windows builds' under Wine
#   ./build.sh package build the Debian package into build-deb/ and check it with lintian
#   ./build.sh screenshot  retake docs/lumbrix_gui.png and docs/lumbrix_gui_rejected.png, the
#                      dialog under Xvfb
#   ./build.sh windows build the programs for 32-bit Windows, their installer and zip into
#                      build-windows/
#   ./build.sh fuzz [SECONDS]  run each fuzz harness for SECONDS (default 60) from build-fuzz/
#   ./build.sh bench   build for speed into build-bench/, run the micro-benchmarks, then time
#                      lumbrix against srec_cat, objcopy and hex2bin.py (bench/compare)
#   ./build.sh share   print the tests' share of the code
set -euo pipefail
cd "$(dirname "$0")"

# nlohmann-json3-dev is header-only: every build of the inspector takes it, the Windows ones too.
PACKAGES=(cmake g++ make ninja-build python3 libgtest-dev libgmock-dev qt6-base-dev
    nlohmann-json3-dev)
PACKAGE_PACKAGES=(dpkg-dev file lintian appstream)
DIALOG_SCREENSHOT_PACKAGES=(xvfb xauth openbox xdotool imagemagick)
FUZZ_PACKAGES=(cmake make clang libclang-rt-14-dev nlohmann-json3-dev)
BENCH_PACKAGES=(cmake g++ make libbenchmark-dev nlohmann-json3-dev srecord binutils python3-intelhex hyperfine time)
WINDOWS_PACKAGES=(cmake make python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
    nlohmann-json3-dev wine wine32 wine64 xvfb xauth nsis)
readonly BUILD_DIR=build
readonly WINDOWS_BUILD_DIR=build-windows
JOBS=$(nproc)

install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# as_root COMMAND...: run it as root, through sudo unless this already is root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# configure_and_build FOLDER [CMAKE ARGUMENTS...] [--target TARGET...]: every target when none
# is named.
configure_and_build() {
    local dir=$1 arguments=() targets=() werror=OFF
    shift
    [ "${CI:-}" = true ] && werror=ON
    while [ $# -gt 0 ] && [ "$1" != --target ]; do
        arguments+=("$1")
        shift
    done
    [ $# -gt 0 ] && targets=(--target "${@:2}")
    cmake -S . -B "$dir" -DLUMBRIX_WERROR="$werror" "${arguments[@]}" >/dev/null
    cmake --build "$dir" -j "$JOBS" "${targets[@]}"
}

demo() {
    install_missing "${PACKAGES[@]}"
    configure_and_build "$BUILD_DIR" --target lumbrix lumbrix_inspect lumbrix_gui
    local out=$BUILD_DIR/demo qvr
    mkdir -p "$out"
    for protocol in 4 6; do
        qvr=$out/firmware-type$protocol.qvr
        echo "=== $BUILD_DIR/console/lumbrix examples/firmware.hex $qvr 5516 $protocol"
        "$BUILD_DIR/console/lumbrix" examples/firmware.hex "$qvr" 5516 $protocol
        echo "wrote $(stat -c %s "$qvr") bytes: $qvr"
        od -A x -t x1 -N 16 "$qvr"
        echo
    done
    echo "=== $BUILD_DIR/tools/lumbrix_inspect --source examples/firmware.hex --strict $qvr"
    "$BUILD_DIR/tools/lumbrix_inspect" --source examples/firmware.hex --strict "$qvr"
    echo
    echo "The dialog program is $BUILD_DIR/dialog/qt/lumbrix_gui."
}

run_tests() {
    install_missing "${PACKAGES[@]}"
    configure_and_build "$BUILD_DIR"
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS"
    test_sanitized
    build_fuzzers
    ctest --test-dir build-fuzz --output-on-failure -j "$JOBS"
    test_windows
}

# Every suite again with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails it.
test_sanitized() {
    configure_and_build build-asan -DLUMBRIX_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure -j "$JOBS"
}

# The libFuzzer harnesses need clang; as tests they fuzz a few seconds each.
build_fuzzers() {
    install_missing "${FUZZ_PACKAGES[@]}"
    configure_and_build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DLUMBRIX_FUZZ=ON \
        -DLUMBRIX_TESTS=OFF -DLUMBRIX_DIALOG=OFF --target fuzz_ihex fuzz_convert fuzz_inspect \
        fuzz_source
}

# New inputs collect in build-fuzz/tests/fuzz/corpus_*, crashes in build-fuzz/crash-*.
fuzz() {
    local seconds=${1:-60}
    build_fuzzers
    # The --source check starts from the conversion's seeds: the same option bytes and HEX files.
    for harness in ihex convert inspect source; do
        local seeds=tests/fuzz/corpus/$harness
        [ "$harness" = source ] && seeds=tests/fuzz/corpus/convert
        echo "=== fuzz_$harness for $seconds seconds"
        "build-fuzz/tests/fuzz/fuzz_$harness" -max_total_time="$seconds" -timeout=10 \
            -print_final_stats=1 -artifact_prefix=build-fuzz/ \
            "build-fuzz/tests/fuzz/corpus_$harness" "$seeds"
    done
}

# A Debian package of the programs with their manual pages, the dialog program's desktop
# entry, icons and metainfo, built with Debian's hardening flags and stripped as Debian strips,
# in a folder of its own so that the flags stay out of the test builds. Any remark of
# lintian's, down to the pedantic ones, fails the job.
package() {
    install_missing "${PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    local dir=build-deb
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    configure_and_build "$dir" -DLUMBRIX_TESTS=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
        -DCMAKE_STRIP="$PWD/packaging/debian/strip"
    rm -f "$dir"/*.deb
    (cd "$dir" && cpack)
    lintian --info --pedantic --fail-on error,warning,info,pedantic "$dir"/*.deb
    appstreamcli validate --no-net "$dir"/dialog/qt/*.metainfo.xml
    # lintian asks man for some of groff's warnings; the pages must pass all of them.
    local warnings
    warnings=$(groff -ww -z -man "$dir"/man/*.1 2>&1)
    [ -z "$warnings" ] || { echo "$warnings" >&2; return 1; }
}

screenshot() {
    install_missing "${PACKAGES[@]}" "${DIALOG_SCREENSHOT_PACKAGES[@]}"
    configure_and_build "$BUILD_DIR" --target lumbrix_gui
    dialog/screenshot.sh "$BUILD_DIR/dialog/qt/lumbrix_gui"
}

# Wine runs the 32-bit Windows programs with its i386 half, wine32.
add_i386_architecture() {
    dpkg --print-foreign-architectures | grep -qx i386 && return
    as_root dpkg --add-architecture i386
}

windows() {
    add_i386_architecture
    install_missing "${WINDOWS_PACKAGES[@]}"
    build_windows "$WINDOWS_BUILD_DIR"
}

# The programs, then their installer and zip: build_windows FOLDER [CMAKE ARGUMENTS...]
build_windows() {
    local dir=$1
    shift
    configure_and_build "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake "$@"
    rm -f "$dir"/lumbrix-*-setup.exe "$dir"/lumbrix-*.zip
    (cd "$dir" && cpack) | grep generated
}

# Some machines' kernels run no 32-bit program, Wine's 32-bit half included. There the
# suites run against the same sources built for 64-bit Windows, under Wine's 64-bit half.
runs_32bit_programs() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# A Wine prefix of our own inside the build folder, made once; no Mono or Gecko prompts. The
# first program started while wineboot's own processes still settle the prefix may never show
# a window: wait for them to end.
start_wine() {
    export WINEPREFIX="$PWD/$1/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -d "$WINEPREFIX" ] || $2 wineboot -i >/dev/null 2>&1
    wineserver -w
}

# The console cases run again against lumbrix.exe, with Wine in front of it; the dialog
# program's tests drive its dialog on a private X server, one at a time since they share a
# registry key. Last, the installer is tried in a fresh prefix of its own.
test_windows() {
    windows
    local dir=$WINDOWS_BUILD_DIR wine=wine
    if ! runs_32bit_programs; then
        echo "This machine runs no 32-bit programs: testing the Windows programs built for x86_64"
        dir=build-windows64 wine=/usr/lib/wine/wine64
        build_windows "$dir" -DLUMBRIX_WINDOWS_PROCESSOR=x86_64
    fi
    start_wine "$dir" "$wine"
    LUMBRIX_RUNNER=$wine LUMBRIX_PROGRAM="$PWD/$dir/console/lumbrix.exe" \
        LUMBRIX_INSPECT="$PWD/$dir/tools/lumbrix_inspect.exe" \
        ctest --test-dir "$BUILD_DIR" -L '^console$' --no-tests=error --output-on-failure -j "$JOBS"
    # A Wine server still up from the console cases, which ran without a display, would keep
    # the dialog's windows off the X server: let it end first.
    wineserver -w
    xvfb-run --auto-servernum ctest --test-dir "$dir" --output-on-failure
    wineserver -w
    WINE=$wine xvfb-run --auto-servernum tests/win32/install_test.sh "$dir"/lumbrix-*-setup.exe \
        "$BUILD_DIR/console/lumbrix" "$dir/tests/win32/close_dialog.exe" "$dir/install-test"
}

bench() {
    install_missing "${BENCH_PACKAGES[@]}"
    configure_and_build build-bench -DCMAKE_BUILD_TYPE=Release -DLUMBRIX_TESTS=OFF \
        -DLUMBRIX_DIALOG=OFF --target lumbrix lumbrix_inspect lumbrix_bench
    build-bench/bench/lumbrix_bench
    bench/compare build-bench/console/lumbrix
    bench/inspect_json build-bench
}

# Code is C++, Python, shell (by name or by its #! line), CMake and resource scripts; docs,
# manual pages, packaging metadata and data such as the fuzz corpus are not.
code_files() {
    git ls-files | grep -v /corpus/ | while IFS= read -r file; do
        case "$file" in
        *.cpp | *.h | *.hpp | *.c | *.py | *.sh | *.cmake | *.rc | *CMakeLists.txt) echo "$file" ;;
        *.*) ;;
        *) if [ "$(head -c 2 "$file")" = '#!' ]; then echo "$file"; fi ;;
        esac
    done
}

non_blank_lines() {
    xargs -r -d '\n' cat | grep -c -v '^\s*$' || true
}

share() {
    local code tests all
    code=$(code_files)
    tests=$(grep '^tests/' <<<"$code" | non_blank_lines)
    all=$(non_blank_lines <<<"$code")
    echo "tests: $tests of $all non-blank lines of code, $((100 * tests / all)) %"
}

case "${1:-}" in
demo) demo ;;
test) run_tests ;;
package) package ;;
screenshot) screenshot ;;
windows) windows ;;
fuzz) fuzz "${2:-60}" ;;
bench) bench ;;
share) share ;;
*)
    echo "usage: $0 demo|test|package|screenshot|windows|fuzz [SECONDS]|bench|share" >&2
    exit 2
    ;;
esac
