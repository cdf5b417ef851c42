# Shared steps of the end-to-end runs: a private X server, a private copy of the program
# folder, and the user's actions (clicks, keys, closing windows) through xdotool.
#
# Every run gets its own Xvfb (no window manager, as in CI), so runs may go side by side,
# and its own copy of the program folder, so the shipped data file stays untouched.
# Screenshots of each step go to $TERVANA_E2E_ARTEFACTS/<test name>/.
# Environment (set by CMake): TERVANA_BIN_DIR, TERVANA_E2E_X (the X helper),
# TERVANA_E2E_ARTEFACTS, TERVANA_SOURCE_DIR.

set -euo pipefail

E2E_NAME=$(basename "$0" .sh)
E2E_SKIP=77
: "${TERVANA_BIN_DIR:?}" "${TERVANA_E2E_X:?}" "${TERVANA_E2E_ARTEFACTS:?}" "${TERVANA_SOURCE_DIR:?}"
E2E_SHOTS=$TERVANA_E2E_ARTEFACTS/$E2E_NAME
rm -rf "$E2E_SHOTS"
mkdir -p "$E2E_SHOTS"
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tervana-e2e.XXXXXX")
chmod 755 "$E2E_WORK"
E2E_XVFB_PID=""
E2E_APP_PID=""
E2E_STEP=0

e2e_cleanup() {
    local job
    for job in "${E2E_CONVERTS[@]}"; do wait "$job" 2>/dev/null || true; done
    if [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; then
        kill "$E2E_APP_PID" 2>/dev/null || true
        wait "$E2E_APP_PID" 2>/dev/null || true
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    [ -n "${E2E_EXTRA_CLEANUP:-}" ] && eval "$E2E_EXTRA_CLEANUP"
    rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL [$E2E_NAME]: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then import -window root "$E2E_SHOTS/failure.png" 2>/dev/null || true; fi
    [ -f "$E2E_WORK/program.log" ] && sed 's/^/program: /' "$E2E_WORK/program.log" >&2
    exit 1
}

skip() {
    echo "SKIP [$E2E_NAME]: $*"
    exit $E2E_SKIP
}

note() { echo "[$E2E_NAME] $*"; }

for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (packages xvfb, xdotool, imagemagick)"
done

# start_x [WIDTHxHEIGHT]: a private X server of that size, 24 bits deep.
start_x() {
    local size=${1:-1280x1024} fifo=$E2E_WORK/display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -ac 3>"$fifo" >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    local number
    read -r -t 10 number <"$fifo" || fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
    export DISPLAY=:$number
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    # The program's lock for its data file lives in the user's runtime folder: the run's own,
    # so that runs neither meet the machine's programs nor leave locks behind.
    export XDG_RUNTIME_DIR=$E2E_WORK/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    # No desktop session: keep the toolkit's own defaults, not a theme from the machine.
    unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP
}

# stage_program DIR: a copy of the program folder in DIR.
stage_program() {
    local dir=$1
    mkdir -p "$dir"
    cp "$TERVANA_BIN_DIR"/{tervana,libTolvane.so,tervana-data,YaoPin.XML} "$dir/"
}

# launch COMMAND...: start the program in the background; its output goes to program.log.
launch() {
    LC_ALL=C.UTF-8 "$@" >"$E2E_WORK/program.log" 2>&1 &
    E2E_APP_PID=$!
}

# wait_exit SECONDS: wait for the program to end; fails when it does not.
wait_exit() {
    local seconds=${1:-10} i
    for ((i = 0; i < seconds * 10; ++i)); do
        if ! kill -0 "$E2E_APP_PID" 2>/dev/null; then
            wait "$E2E_APP_PID" 2>/dev/null || true
            E2E_APP_PID=""
            return 0
        fi
        sleep 0.1
    done
    fail "the program did not end within $seconds s"
}

program_running() { [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; }

# windows: the visible top-level windows titled "Tervana", one "ID WIDTH HEIGHT X Y" a line.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Tervana$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        echo "$id $WIDTH $HEIGHT $X $Y"
    done
}

# wait_window WIDTH HEIGHT [SECONDS]: the id of a visible "Tervana" window of that size
# (0 for either size matches any), newest first, in WIN_ID; its position in WIN_X, WIN_Y.
wait_window() {
    local width=$1 height=$2 seconds=${3:-15} i line id w h x y
    for ((i = 0; i < seconds * 10; ++i)); do
        program_running || fail "the program ended while a ${width}x$height window was awaited"
        line=$(windows | tac | while read -r id w h x y; do
            if { [ "$width" = 0 ] || [ "$w" = "$width" ]; } &&
                { [ "$height" = 0 ] || [ "$h" = "$height" ]; }; then
                echo "$id $x $y"
                break
            fi
        done)
        if [ -n "$line" ]; then
            read -r WIN_ID WIN_X WIN_Y <<<"$line"
            # Let it paint before anyone looks at it.
            sleep 0.4
            return 0
        fi
        sleep 0.1
    done
    fail "no ${width}x$height window appeared within $seconds s; windows: $(windows | tr '\n' ';')"
}

# wait_gone ID [SECONDS]
wait_gone() {
    local id=$1 seconds=${2:-10} i
    for ((i = 0; i < seconds * 10; ++i)); do
        xdotool search --onlyvisible --name '^Tervana$' 2>/dev/null | grep -qx "$id" || return 0
        sleep 0.1
    done
    fail "window $id did not close within $seconds s"
}

# shot NAME: a screenshot of the whole screen; its pixels are read from SHOT (a PPM, quick
# to read), and NN-NAME.png is written beside the others as the artefact.
shot() {
    E2E_STEP=$((E2E_STEP + 1))
    SHOT=$E2E_WORK/shot-$E2E_STEP.ppm
    import -window root "$SHOT"
    convert "$SHOT" "$E2E_SHOTS/$(printf '%02d' "$E2E_STEP")-$1.png" &
    E2E_CONVERTS+=($!)
}
E2E_CONVERTS=()

PIXELS=$(dirname "${BASH_SOURCE[0]}")/pixels.py
# pixel SHOT X Y: the colour at a point as RRGGBB.
pixel() { python3 "$PIXELS" "$1" pixel "$2" "$3"; }
# count_colour SHOT X Y W H RRGGBB: how many pixels of the rectangle have exactly that colour.
count_colour() { python3 "$PIXELS" "$1" count "$2" "$3" "$4" "$5" "$6"; }
# region_sum SHOT X Y W H: a checksum of a rectangle's pixels, to tell whether it changed.
region_sum() { python3 "$PIXELS" "$1" sum "$2" "$3" "$4" "$5"; }
# ink_box SHOT X Y W H RRGGBB: the bounding box "x y w h" of what is not the background.
ink_box() { python3 "$PIXELS" "$1" bbox "$2" "$3" "$4" "$5" "$6"; }

expect_pixel() { # PNG X Y RRGGBB WHAT
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" = "$4" ] || fail "$5: expected $4 at $2,$3, found $got ($(basename "$1"))"
}

click() { xdotool mousemove --sync "$1" "$2" click 1; }

key() { xdotool key --clearmodifiers "$@"; }

close_window() { "$TERVANA_E2E_X" close "$1"; }

# clipboard: the clipboard's text, or nothing when no one holds it.
clipboard() { "$TERVANA_E2E_X" clipboard 2>/dev/null || true; }

# copy_text: Ctrl+C in the focused window, then the clipboard's text once it has changed
# (or, after two seconds, what it holds: the same text copied again).
copy_text() {
    local i text before
    before=$(clipboard)
    key ctrl+c
    for ((i = 0; i < 20; ++i)); do
        text=$(clipboard)
        [ -n "$text" ] && [ "$text" != "$before" ] && break
        sleep 0.1
    done
    printf '%s' "$text"
}

# record_field DATAFILE NAME FIELD: a field of the record with that generic name, as UTF-8,
# with its line breaks removed.
record_field() {
    "$TERVANA_BIN_DIR/tervana-data" export "$1" -o "$E2E_WORK/export.json" >/dev/null
    python3 - "$E2E_WORK/export.json" "$2" "$3" <<'PY'
import json, sys
rows = json.load(open(sys.argv[1], encoding="utf-8"))["rows"]
for row in rows:
    if row["TongYongMing"] == sys.argv[2]:
        print((row.get(sys.argv[3]) or "").replace("\r", "").replace("\n", ""))
        break
else:
    sys.exit("no record named " + sys.argv[2])
PY
}

# sorted_name DATAFILE N: the generic name on row N (from 0) of the list, which sorts by the
# names' GBK bytes.
sorted_name() {
    "$TERVANA_BIN_DIR/tervana-data" export "$1" -o "$E2E_WORK/export.json" >/dev/null
    python3 - "$E2E_WORK/export.json" "$2" <<'PY'
import json, sys
rows = json.load(open(sys.argv[1], encoding="utf-8"))["rows"]
names = sorted((r["TongYongMing"] for r in rows), key=lambda n: n.encode("gbk"))
print(names[int(sys.argv[2])])
PY
}

# first_record_row DATAFILE: the row (from 0) of the list on which the file's first record
# stands, and its name.
first_record_row() {
    "$TERVANA_BIN_DIR/tervana-data" export "$1" -o "$E2E_WORK/export.json" >/dev/null
    python3 - "$E2E_WORK/export.json" <<'PY'
import json, sys
rows = json.load(open(sys.argv[1], encoding="utf-8"))["rows"]
order = sorted(range(len(rows)), key=lambda i: rows[i]["TongYongMing"].encode("gbk"))
print(order.index(0), rows[0]["TongYongMing"])
PY
}

# --- the program's windows at 96 dpi (positions inside the window, in pixels) --------------

SPLASH_W=462
SPLASH_H=453
MAIN_W=768
MAIN_H=513

# close_splash: wait for the notice card, check it, and click its close picture.
close_splash() {
    local id png
    wait_window $SPLASH_W $SPLASH_H
    id=$WIN_ID
    # Under load the first paint may come late: look again a few times before judging.
    local try
    for ((try = 0; try < 10; ++try)); do
        shot splash
        [ "$(pixel "$SHOT" $((WIN_X + 4)) $((WIN_Y + 4)))" = FEF485 ] &&
            [ "$(count_colour "$SHOT" $((WIN_X + 412)) $((WIN_Y + 396)) 32 32 FEF485)" -lt 700 ] && break
        sleep 0.3
    done
    png=$SHOT
    expect_pixel "$png" $((WIN_X + 4)) $((WIN_Y + 4)) FEF485 "the splash's yellow margin"
    expect_pixel "$png" $((WIN_X + 12 + 200)) $((WIN_Y + 12 + 120)) FFFFFF "the splash's white card"
    # The close picture (32 x 32 at 412, 396) is drawn: a red button, not the margin colour.
    [ "$(count_colour "$png" $((WIN_X + 412)) $((WIN_Y + 396)) 32 32 FEF485)" -lt 700 ] ||
        fail "the splash's close picture is missing"
    click $((WIN_X + 428)) $((WIN_Y + 412))
    wait_gone "$id"
}

# main_window: wait for the main window (WIN_ID, WIN_X, WIN_Y).
main_window() { wait_window $MAIN_W $MAIN_H; }

# The list: the row band of row N (from 0) at x inside the grid.
LIST_X=100
LIST_FIRST_ROW_Y=56
LIST_ROW_H=21
list_row_y() { echo $((LIST_FIRST_ROW_Y + $1 * LIST_ROW_H + LIST_ROW_H / 2)); }
# Whole rows the list shows at 768 x 513. At the start the file's first record is focused and
# brought into sight: below them it becomes the last whole row.
LIST_VISIBLE_ROWS=19
# list_top ROW: the list row shown at the top at the start, when the first record is on ROW.
list_top() { echo $(($1 < LIST_VISIBLE_ROWS ? 0 : $1 - LIST_VISIBLE_ROWS + 1)); }
# start_top DATAFILE: the same, for the data file's first record.
start_top() {
    local row first
    read -r row first <<<"$(first_record_row "$1")"
    list_top "$row"
}

# row_highlighted PNG N: whether row N of the list (window at WIN_X, WIN_Y) has the focused
# row's highlight colour over most of its band.
row_highlighted() {
    local top=$((WIN_Y + LIST_FIRST_ROW_Y + $2 * LIST_ROW_H))
    [ "$(count_colour "$1" $((WIN_X + 20)) $((top + 1)) 180 $((LIST_ROW_H - 2)) 0A246A)" -gt 1800 ]
}

# The name bar's label DBText1: 233 x 19 at 2, 9 in the window.
NAMEBAR="2 9 233 19"
# The memo pane of 适用症 in the left column of sections.
PANE_X=360
PANE_Y=200

# message_box MAIN TEXT WHAT: the next box over the main window MAIN, read through Ctrl+C, closed with Enter.
# The platform's error box offers no copy here: for it TEXT is "error", and its stop icon
# (a red sign at its left) and the absence of the plain box's text tell it apart.
message_box() {
    local main=$1 i id="" text
    shift
    for ((i = 0; i < 100; ++i)); do
        id=$(windows | awk -v m="$main" '$1 != m {print $1}' | tail -1)
        [ -z "$id" ] || break
        sleep 0.1
    done
    [ -n "$id" ] || fail "no box for $2 appeared"
    sleep 0.3
    shot "$2"
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    if [ "$1" = error ]; then
        eval "$(xdotool getwindowgeometry --shell "$id")"
        local reds
        reds=$(python3 "$PIXELS" "$SHOT" reds "$X" "$Y" 60 "$HEIGHT")
        [ "$reds" -gt 150 ] || fail "the error box shows no stop icon ($reds red pixels)"
        ((WIDTH > 200)) || fail "the error box is too narrow for its message: $WIDTH"
        key Return
        wait_gone "$id"
        return
    fi
    text=$(copy_text)
    case $text in
    *"$1"*) ;;
    *) fail "the box for $2 says: $text" ;;
    esac
    case $text in
    *Tervana*) ;;
    *) fail "the box for $2 is not captioned Tervana: $text" ;;
    esac
    key Return
    wait_gone "$id"
}

# make_release SHIPPED OUT: the data file of a next release, made from SHIPPED: of the rows
# shown from the top at the start, the second one's 注意事项 corrected, the third one removed,
# and the first one's 适用症 and 规格 changed (edit_and_close edits the top row's 适用症: after a
# merge that is the user's text against the release's, and the new 规格 arrives). Their names go to RELEASE_EDITED,
# RELEASE_CORRECTED and RELEASE_REMOVED.
make_release() {
    "$TERVANA_BIN_DIR/tervana-data" export "$1" -o "$E2E_WORK/release.json" >/dev/null ||
        fail "cannot export $1"
    local names
    names=$(python3 - "$E2E_WORK/release.json" "$(start_top "$1")" <<'PY'
import json, sys
path, top = sys.argv[1], int(sys.argv[2])
source = json.load(open(path, encoding="utf-8"))
rows = source["rows"]
order = sorted(rows, key=lambda r: r["TongYongMing"].encode("gbk"))
edited, corrected, removed = order[top:top + 3]
edited["ShiYongZheng"] += "（新版）"
edited["GuiGe"] = "E2E新规格"
corrected["ZhuYiShiXiang"] = "E2E更正的注意事项"
rows.remove(removed)
json.dump(source, open(path, "w", encoding="utf-8"), ensure_ascii=False)
print(edited["TongYongMing"], corrected["TongYongMing"], removed["TongYongMing"])
PY
) || fail "cannot make the next release's data"
    read -r RELEASE_EDITED RELEASE_CORRECTED RELEASE_REMOVED <<<"$names"
    "$TERVANA_BIN_DIR/tervana-data" build "$E2E_WORK/release.json" -o "$2" ||
        fail "cannot build the next release's data"
}

# expect_merged DATAFILE MARK: after an update over a copy that edit_and_close edited with
# MARK, the user's edit, the release's correction and removal are all in DATAFILE, and the
# file passes the size check.
expect_merged() {
    local shown
    shown=$(record_field "$1" "$RELEASE_EDITED" ShiYongZheng)
    case $shown in
    *" $2") ;;
    *) fail "the user's edit of $RELEASE_EDITED was lost in the update: \"$shown\"" ;;
    esac
    [ "$(record_field "$1" "$RELEASE_EDITED" GuiGe)" = "E2E新规格" ] ||
        fail "the release's new 规格 of $RELEASE_EDITED did not arrive"
    [ "$(record_field "$1" "$RELEASE_CORRECTED" ZhuYiShiXiang)" = "E2E更正的注意事项" ] ||
        fail "the correction of $RELEASE_CORRECTED did not reach the user's copy"
    record_field "$1" "$RELEASE_REMOVED" TongYongMing >/dev/null 2>&1 &&
        fail "$RELEASE_REMOVED, removed by the release, is still in the user's copy"
    "$TERVANA_BIN_DIR/tervana-data" check "$1" >/dev/null || fail "the merged file fails the size check"
}

# start_after_update: the first start after an update shows what the merge did, once.
start_after_update() {
    close_splash
    main_window
    local main=$WIN_ID
    message_box "$main" "数据已更新到新版：更正 2 种药品，新增 0 种，删除 1 种；保留了您修改的 1 处文字（其中 1 处新版也有修改）。" update-report
    # The report is the last thing the first activation shows: a second box would follow it
    # at once, so a second of looking, at every tenth of it, is long enough to mean something.
    local i
    for ((i = 0; i < 10; ++i)); do
        [ "$(windows | awk -v m="$main" '$1 != m' | wc -l)" = 0 ] || fail "more boxes after the update's report"
        sleep 0.1
    done
    close_window "$main"
    wait_exit 15
}

# --- a throwaway user account, for the install runs ----------------------------------------

# make_user: creates a normal user with a home of its own under the work folder (USER_NAME,
# USER_HOME); removed again when the run ends. Needs root: skips otherwise.
make_user() {
    [ "$(id -u)" = 0 ] || skip "not running as root: no throwaway user can be made for the install run"
    command -v useradd >/dev/null && command -v runuser >/dev/null || skip "useradd or runuser is missing"
    USER_NAME=tve2e$$
    USER_HOME=$E2E_WORK/home-$USER_NAME
    useradd -M -d "$USER_HOME" -s /bin/sh "$USER_NAME" || fail "useradd failed"
    E2E_EXTRA_CLEANUP="${E2E_EXTRA_CLEANUP:+$E2E_EXTRA_CLEANUP; }userdel $USER_NAME 2>/dev/null || true"
    mkdir -p "$USER_HOME"
    chown "$USER_NAME:" "$USER_HOME"
}

# as_user COMMAND...: runs a command as the throwaway user in its own session.
as_user() {
    runuser -u "$USER_NAME" -- env -i HOME="$USER_HOME" USER="$USER_NAME" LOGNAME="$USER_NAME" \
        PATH="$USER_HOME/.local/bin:/usr/local/bin:/usr/bin:/bin" DISPLAY="$DISPLAY" \
        QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$@"
}

# desktop_exec FILE: the command of a menu entry.
desktop_exec() { sed -n 's/^Exec=//p' "$1" | head -1; }

# edit_and_close: in a started program, append MARK to the 适用症 of the medicine on the top
# row, choose another medicine and close the program.
edit_and_close() {
    close_splash
    main_window
    local main=$WIN_ID
    click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y 0)))
    click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
    key ctrl+End
    xdotool type --delay 30 " $1"
    click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y 1)))
    sleep 0.3
    shot edited
    close_window "$main"
    wait_exit 15
}
