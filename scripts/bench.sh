#!/usr/bin/env bash
# Builds the benchmarks in Release mode (in build-release, or TERVANA_BENCH_BUILD_DIR) and runs
# the whole suite at 1,000, 10,000 and 100,000 records, writing the table to bench/RESULTS.md.
# The raw output of every program stays in the build folder's bench-run/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build=${TERVANA_BENCH_BUILD_DIR:-build-release}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# Warnings are not errors here: at -O3 GCC 12 reports false -Wrestrict overlaps inside
# std::string (its bug 105329); the suite's own builds keep them errors.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTERVANA_WERROR=OFF \
    -DTERVANA_BUILD_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target bench_open bench_grid bench_filter bench_focus bench_packet \
    tervana tervana-data

run=$build/bench-run
rm -rf "$run"
mkdir -p "$run"
{
    echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores," \
        "$(awk '{printf "%.0f GiB", $2 / 1048576}' <(grep MemTotal /proc/meminfo)) memory;" \
        "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg);" \
        "run on $(date -u '+%Y-%m-%d %H:%M UTC')."
} >"$run/machine.txt"
cat "$run/machine.txt"

programs=("$build/bench/bench_open" "$build/bin/bench_grid" "$build/bin/bench_filter"
    "$build/bench/focus/bench_focus")
for records in 1000 10000 100000; do
    for program in "${programs[@]}"; do
        name=$(basename "$program")
        echo "== $name, $records records"
        TERVANA_BENCH_RECORDS=$records QT_QPA_PLATFORM=offscreen "$program" \
            --benchmark_out="$run/$name-$records.json" --benchmark_out_format=json \
            --benchmark_color=false | tee "$run/$name-$records.txt"
    done
done
# The whole program's start under Xvfb, beside a whole data file check, taken in turn.
echo "== start, load average $(cut -d' ' -f1-3 /proc/loadavg)"
bash bench/start.sh "$build" "${TERVANA_START_RUNS:-5}" | tee "$run/start.txt"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)." >>"$run/machine.txt"

python3 bench/results.py "$run" >bench/RESULTS.md
echo "Wrote bench/RESULTS.md"
