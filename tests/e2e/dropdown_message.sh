#!/usr/bin/env bash
# The data file changes while the program runs; closing the header's drop-down (Esc, or
# picking an entry) runs the main window's activation, whose check shows "数据文件错误！".
# The drop-down is off the screen before that box appears, not left standing below it.
source "$(dirname "$0")/lib.sh"

start_x
root=$(xdotool search --maxdepth 0 '.*' 2>/dev/null)
[ -n "$root" ] || fail "the root window cannot be found"

# The program's visible windows other than the main window.
others() {
    xdotool search --onlyvisible --pid "$E2E_APP_PID" '.*' 2>/dev/null |
        grep -vx -e "$main" -e "$root" || true
}

# closed_by WAY: opens the drop-down in a fresh start, changes the data file, and closes the
# drop-down by WAY (escape or pick).
closed_by() {
    local way=$1 app=$E2E_WORK/app-$1 popup="" box="" i
    stage_program "$app"
    launch "$app/tervana"
    close_splash
    main_window
    main=$WIN_ID
    local mx=$WIN_X my=$WIN_Y
    click $((mx + 1 + 235 - 17 - 8)) $((my + LIST_FIRST_ROW_Y - 10))
    for ((i = 0; i < 50; ++i)); do
        popup=$(others | tail -1)
        [ -n "$popup" ] && break
        sleep 0.1
    done
    [ -n "$popup" ] || fail "no drop-down opened from the header's filter button"
    sleep 0.4
    eval "$(xdotool getwindowgeometry --shell "$popup")"
    local px=$X py=$Y pw=$WIDTH ph=$HEIGHT
    shot "$way-drop-down"
    local open_sum
    open_sum=$(region_sum "$SHOT" "$px" "$py" "$pw" "$ph")
    # Another writer makes the file one byte longer while the drop-down is open.
    printf ' ' >>"$app/YaoPin.XML"
    if [ "$way" = escape ]; then
        key Escape
    else
        click $((px + pw / 2)) $((py + 2 * (ph / 15) + ph / 30))
    fi
    # The box: a window captioned "Tervana" that is neither the main window nor the drop-down.
    for ((i = 0; i < 100; ++i)); do
        box=$(windows | awk -v m="$main" -v p="$popup" '$1 != m && $1 != p {print $1}' | tail -1)
        [ -n "$box" ] && break
        sleep 0.05
    done
    [ -n "$box" ] || fail "no message box after closing the drop-down ($way)"
    # Looked at the moment the box is seen, and again once it has painted.
    others | grep -qx "$popup" &&
        fail "the drop-down is still mapped while the box is up ($way; box $(windows | grep "^$box "))"
    sleep 0.4
    shot "$way-box-up"
    others | grep -qx "$popup" && fail "the drop-down is still mapped while the box is up ($way)"
    [ "$(region_sum "$SHOT" "$px" "$py" "$pw" "$ph")" != "$open_sum" ] ||
        fail "the drop-down's place still shows the drop-down while the box is up ($way)"
    message_box "$main" "数据文件错误！" "$way-wrong-file"
    wait_exit 10
}

closed_by escape
closed_by pick
note "passed"
