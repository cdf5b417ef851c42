#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) and runs each for SECONDS.
#   tests/fuzz/run.sh SECONDS [TARGET...]     (targets: data_packet filter_stream
#                                              like_matcher gbk_codec json_source; default all)
# The seed corpus in tests/fuzz/corpus/NAME is read, never written: new inputs go to
# BUILD/fuzz/corpus-NAME and crashes to BUILD/fuzz/crash-NAME-*. Exits non-zero when a
# target finds anything. The build folder is $TERVANA_FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

seconds=${1:?usage: $0 SECONDS [TARGET...]}
shift
targets=("$@")
((${#targets[@]})) || targets=(data_packet filter_stream like_matcher gbk_codec json_source)

build=${TERVANA_FUZZ_BUILD_DIR:-build-fuzz}
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DTERVANA_FUZZ=ON -DTERVANA_BUILD_BENCH=OFF "${launcher[@]}" \
        "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" \
        "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
        "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
fi
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

status=0
for target in "${targets[@]}"; do
    work="$build/fuzz/corpus-$target"
    mkdir -p "$work"
    log="$build/fuzz/$target.log"
    echo "fuzz_$target: ${seconds}s"
    if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=262144 -print_final_stats=1 -artifact_prefix="$build/fuzz/crash-$target-" \
        "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        status=1
        echo "fuzz_$target FOUND A FAULT (see $log):"
        grep -E "ERROR|SUMMARY|fuzz_|Test unit written" "$log" | head -20
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" | sed "s/^/    /"
done
exit $status
