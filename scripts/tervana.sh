#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tervana (the Debian packages it needs), builds it, and then
# either starts the program on the shipped data ("run") or runs the whole test suite ("test").
# Safe to run again: it installs only what is missing and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mode=${1:-run}
case $mode in
run | test) ;;
*)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev libgl-dev libpugixml-dev libjpeg62-turbo-dev libjpeg-turbo-progs
    libxxhash-dev nlohmann-json3-dev
    fonts-arphic-uming fonts-wqy-zenhei fonts-dejavu-core
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libxml2-utils python3
    xvfb xauth xdotool imagemagick libsm-dev
    clang libclang-rt-14-dev
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get install -y -q "${missing[@]}" ||
        { "${sudo[@]}" apt-get update -q && "${sudo[@]}" apt-get install -y -q "${missing[@]}"; }
fi

build=${TERVANA_BUILD_DIR:-build}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/build.ninja" ]; then
    # The benchmarks have their own command (scripts/bench.sh), built in Release.
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERVANA_WERROR=ON \
        -DTERVANA_BUILD_BENCH=OFF "${launcher[@]}"
fi
cmake --build "$build" -j2

screen="-screen 0 1280x1024x24"
if [ "$mode" = run ]; then
    if [ -z "${DISPLAY:-}" ]; then
        echo "No display is set: starting Tervana in a virtual X server (Xvfb)."
        exec xvfb-run -a -s "$screen" "$build/bin/tervana"
    fi
    exec "$build/bin/tervana"
fi

failed=()

# The whole suite again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer
# (gcc). Any report fails its test; tests/reliability/lsan.supp names the few leaks that
# belong to the libraries under Qt, not to the program.
asan=${TERVANA_ASAN_BUILD_DIR:-build-asan}
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ ! -f "$asan/build.ninja" ]; then
    cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTERVANA_WERROR=ON \
        -DTERVANA_BUILD_BENCH=OFF "${launcher[@]}" \
        "-DCMAKE_C_FLAGS=$sanitize" "-DCMAKE_CXX_FLAGS=$sanitize" \
        "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
        "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined"
fi
# The suites without the window toolkit also run with LeakSanitizer. The toolkit's suites
# run without it: Qt keeps caches until exit and some tests end with timers still pending.
# The end-to-end runs stay out: the X keyboard library under Qt trips AddressSanitizer itself.
headless='^(platform_|data_|tools_|reliability_|grid_tst_controller|filter_tst_(like_matcher|filter_criteria|filter_stream))'
if cmake --build "$asan" -j2; then
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        xvfb-run -a -s "$screen" ctest --test-dir "$asan" --output-on-failure -j2 -LE e2e ||
        failed+=("sanitizer suite")
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
        LSAN_OPTIONS="suppressions=$PWD/tests/reliability/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$asan" --output-on-failure -j2 -R "$headless" ||
        failed+=("leak check")
else
    failed+=("sanitizer build")
fi

# Each fuzz target for a minute (clang, ASan + UBSan + libFuzzer, in build-fuzz).
TERVANA_FUZZ_BUILD_DIR=${TERVANA_FUZZ_BUILD_DIR:-build-fuzz} tests/fuzz/run.sh 60 ||
    failed+=("fuzzing")

((${#failed[@]} == 0)) || echo "FAILED before the main suite: ${failed[*]}" >&2

# Unit suites use Qt's offscreen platform (set per test); the end-to-end runs need a real
# X server, which Xvfb provides. Last, so that its summary ends the output.
xvfb-run -a -s "$screen" ctest --test-dir "$build" --output-on-failure -j2
((${#failed[@]} == 0))
