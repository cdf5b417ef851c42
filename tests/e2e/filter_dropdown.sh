#!/usr/bin/env bash
# The filter button in the header of "药品列表" drops down "(全部显示)", "(定制过滤...)" and
# every name; picking a name leaves only the medicines of that name in the list.
source "$(dirname "$0")/lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
launch "$app/tervana"
close_splash
main_window
main=$WIN_ID
mx=$WIN_X
my=$WIN_Y
shot before

# popups: the program's visible windows other than the main window. The search by process
# answers with the root window too, which would pass for a drop-down at 0, 0.
root=$(xdotool search --maxdepth 0 '.*' 2>/dev/null)
[ -n "$root" ] || fail "the root window cannot be found"
popups() {
    xdotool search --onlyvisible --pid "$E2E_APP_PID" '.*' 2>/dev/null |
        grep -vx -e "$main" -e "$root" || true
}
# The button: 15 pixels wide at the right end of the header (the grid is at 1, 33 and 235
# wide; its header row lies above the first list row).
click $((mx + 1 + 235 - 17 - 8)) $((my + LIST_FIRST_ROW_Y - 10))
# It opens at once; five seconds leave room for a loaded machine.
popup=""
for ((i = 0; i < 50; ++i)); do
    popup=$(popups | tail -1)
    [ -n "$popup" ] && break
    sleep 0.1
done
[ -n "$popup" ] || fail "no drop-down opened from the header's filter button"
sleep 0.4
eval "$(xdotool getwindowgeometry --shell "$popup")"
shot drop-down
note "drop-down at $X,$Y, $WIDTH x $HEIGHT"
((Y >= my + LIST_FIRST_ROW_Y - 4)) || fail "the drop-down does not open under the header"
# At most 15 entries show at once; the shipped records give more names than that.
entry_h=$((HEIGHT / 15))
((entry_h >= 12 && entry_h <= 24)) || fail "the drop-down's entries are $entry_h pixels high"

# The third entry is the first name of the sorted list.
name=$(sorted_name "$data" 0)
count=$("$TERVANA_BIN_DIR/tervana-data" export "$data" -o "$E2E_WORK/e.json" >/dev/null &&
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["rows"]; print(sum(1 for x in r if x["TongYongMing"]==sys.argv[2]))' "$E2E_WORK/e.json" "$name")
click $((X + WIDTH / 2)) $((Y + 2 * entry_h + entry_h / 2))
for ((i = 0; i < 30; ++i)); do
    popups | grep -qx "$popup" || break
    sleep 0.1
done
! popups | grep -qx "$popup" || fail "the drop-down stayed open after picking a name"
sleep 0.5
WIN_X=$mx
WIN_Y=$my
shot filtered
# Only $count row(s) are left: the rows after them are empty (white) in the list.
ink=$(ink_box "$SHOT" $((mx + 2)) $((my + LIST_FIRST_ROW_Y + count * LIST_ROW_H + 2)) 200 $((4 * LIST_ROW_H)) FFFFFF)
[ -z "$ink" ] || fail "rows are still shown after the $count row(s) of \"$name\" ($ink)"
ink=$(ink_box "$SHOT" $((mx + 2)) $((my + LIST_FIRST_ROW_Y + 2)) 200 $((LIST_ROW_H - 4)) FFFFFF)
[ -n "$ink" ] || fail "the filtered list is empty"
close_window "$main"
wait_exit 10
note "passed"
