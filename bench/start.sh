#!/usr/bin/env bash
# The whole start, measured on demand (not part of CI's run): for 1,000, 10,000 and 100,000
# generated records, the time from the splash closing to the first painted rows of the list,
# beside a whole `tervana-data check` of the same file, in runs taken in turn after a warm-up
# (medians), and the data tool's query of one %感冒% condition beside the same check; the
# program's peak memory (VmHWM) with the list shown, beside the file's size.
# Usage: bench/start.sh BUILD_DIR [RUNS]   (BUILD_DIR: a benchmark build, with bin/bench_packet)
# Writes "start <records> <field> <value>" lines to standard output.
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-5}
work=$(mktemp -d /tmp/tervana-start-XXXXXX)
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, started again if it is gone (it is looked at before every start).
start_x() {
    local fifo=$work/display number="" try
    for ((try = 0; try < 5; ++try)); do
        rm -f "$fifo"
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac 3>"$fifo" >>"$work/xvfb.log" 2>&1 &
        xvfb=$!
        number=""
        read -r -t 20 number <"$fifo" || true
        if [ -n "$number" ] && DISPLAY=:$number xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=:$number QT_QPA_PLATFORM=xcb
            return 0
        fi
        kill "$xvfb" 2>/dev/null || true
        sleep 1
    done
    echo "no display could be started: $(tail -3 "$work/xvfb.log")" >&2
    return 1
}
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP
start_x

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# One start: closes the splash with a click on its close picture, waits for the first rows,
# reads the peak memory, then ends the program. Prints "seconds KiB".
start_once() {
    local dir=$1 log=$work/program.log i id geometry x y
    if ! kill -0 "$xvfb" 2>/dev/null || ! xdpyinfo >/dev/null 2>&1; then
        echo "the display went away ($(tail -2 "$work/xvfb.log" | tr '\n' ' ')); starting another" >&2
        start_x
    fi
    TERVANA_TIMING=1 LC_ALL=C.UTF-8 "$dir/tervana" 2>"$log" >/dev/null &
    app=$!
    id=""
    for ((i = 0; i < 300; ++i)); do
        for id in $(xdotool search --onlyvisible --pid "$app" '.*' 2>/dev/null); do
            geometry=$(xdotool getwindowgeometry --shell "$id")
            if grep -q '^WIDTH=462$' <<<"$geometry" && grep -q '^HEIGHT=453$' <<<"$geometry"; then
                break 2
            fi
        done
        id=""
        sleep 0.05
    done
    [ -n "$id" ] || { echo "no splash; the program said:" >&2; cat "$log" >&2; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$id")"
    sleep 0.3
    xdotool mousemove $((X + 428)) $((Y + 412)) click 1
    for ((i = 0; i < 600; ++i)); do
        grep -q '^tervana-timing first-rows' "$log" && break
        sleep 0.02
    done
    grep -q '^tervana-timing first-rows' "$log" ||
        { echo "no rows painted; the program said:" >&2; cat "$log" >&2; return 1; }
    sleep 0.3
    local hwm
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$app/status")
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
    awk '$1 == "tervana-timing" {t[$2] = $3} END {printf "%.4f ", t["first-rows"] - t["splash-closed"]}' "$log"
    echo "$hwm"
}

# A start that fails because the display went away meanwhile is taken again on a new one.
start_retried() {
    local try
    for ((try = 0; try < 3; ++try)); do
        start_once "$1" && return 0
        [ -n "$app" ] && { kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; app=""; }
        kill "$xvfb" 2>/dev/null || true
        start_x
    done
    return 1
}

check_once() {
    local t0 t1
    t0=$(now)
    "$1/tervana-data" check "$1/YaoPin.XML" >/dev/null
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}

# The data tool's query of the one %感冒% condition: whole processes, beside the check.
query_once() {
    local t0 t1
    t0=$(now)
    "$1/tervana-data" query "$1/YaoPin.XML" --flt "$work/cold.flt" >/dev/null
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}
"$build/bin/bench_packet" --cold-filter "$work/cold.flt"

for records in ${TERVANA_START_SIZES:-1000 10000 100000}; do
    dir=$work/app-$records
    mkdir -p "$dir"
    cp "$build"/bin/{tervana,libTolvane.so,tervana-data} "$dir/"
    "$build/bin/bench_packet" "$records" "$dir/YaoPin.XML"
    size=$(stat -c %s "$dir/YaoPin.XML")
    # Warm-up: the first start reads the program and the file from the disk.
    start_retried "$dir" >/dev/null
    check_once "$dir" >/dev/null
    query_once "$dir" >/dev/null
    : >"$work/queries"
    : >"$work/starts"
    : >"$work/checks"
    : >"$work/peaks"
    for ((run = 0; run < runs; ++run)); do
        # Not in a subshell: it would run the cleanup on its way out.
        start_retried "$dir" >"$work/one"
        read -r seconds peak <"$work/one"
        echo "$seconds" >>"$work/starts"
        echo "$peak" >>"$work/peaks"
        check_once "$dir" >>"$work/checks"
        query_once "$dir" >>"$work/queries"
    done
    echo "start $records file_bytes $size"
    echo "start $records start_s $(median <"$work/starts") ($(tr '\n' ' ' <"$work/starts"))"
    echo "start $records check_s $(median <"$work/checks") ($(tr '\n' ' ' <"$work/checks"))"
    echo "start $records query_s $(median <"$work/queries") ($(tr '\n' ' ' <"$work/queries"))"
    echo "start $records peak_kib $(median <"$work/peaks")"
done
