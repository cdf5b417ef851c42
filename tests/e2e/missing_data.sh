#!/usr/bin/env bash
# Without a data file: "数据文件不能打开！", then "数据文件错误！", then the error box with the
# data set's message, in this order; then the program ends.
source "$(dirname "$0")/lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
rm "$app/YaoPin.XML"
launch "$app/tervana"
close_splash
main_window
main=$WIN_ID

# box TEXT WHAT: the next box over the main window, read through Ctrl+C, closed with Enter.
# The platform's error box offers no copy here: for it TEXT is "error", and its stop icon
# (a red sign at its left) and the absence of the plain box's text tell it apart.
box() {
    local i id="" text
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
box "数据文件不能打开！" cannot-open
box "数据文件错误！" wrong-file
box error error-box
wait_exit 10
[ ! -e "$app/YaoPin.XML" ] || fail "a data file was created"
note "passed"
