#!/usr/bin/env bash
# Random use of the real program in a private Xvfb for an hour (tests/monkey/monkey.py): rows,
# keys, sorting, the filter drop-down and dialogs, the builder's .flt files, typing and pasting
# into the panes, the notice, closing and restarting, with the data file checked after every
# close. Builds what it runs first.
#
#   bash scripts/monkey.sh [--duration SECONDS] [--sanitize] [--seed N] [--records N | --data FILE]
#
# --sanitize builds and runs the AddressSanitizer + UndefinedBehaviorSanitizer build (in
# build-asan, as scripts/tervana.sh test makes it); any report is a finding. Its memory use is
# reported but not judged: the sanitizers' own bookkeeping grows by design.
# The other options go to monkey.py (--records 100000 runs on a generated file of that many
# records). The log and any finding's screenshot are kept in build/monkey/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

duration=3600
sanitize=0
pass=()
while (($#)); do
    case $1 in
    --duration)
        duration=$2
        shift 2
        ;;
    --sanitize)
        sanitize=1
        shift
        ;;
    *)
        pass+=("$1")
        shift
        ;;
    esac
done

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if ((sanitize)); then
    build=${TERVANA_ASAN_BUILD_DIR:-build-asan}
    flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTERVANA_WERROR=ON \
            -DTERVANA_BUILD_BENCH=OFF "${launcher[@]}" \
            "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" \
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
            "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined"
    fi
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    pass+=(--sanitize)
else
    build=${TERVANA_BUILD_DIR:-build}
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERVANA_WERROR=ON \
            -DTERVANA_BUILD_BENCH=OFF "${launcher[@]}"
    fi
fi
cmake --build "$build" -j2 --target tervana tervana-data Tolvane tervana_shipped_data

exec python3 tests/monkey/monkey.py --duration "$duration" --bin-dir "$build/bin" \
    --artefacts-root "$PWD/build/monkey" "${pass[@]}"
