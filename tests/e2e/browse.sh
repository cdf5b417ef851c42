#!/usr/bin/env bash
# The splash closes on its close picture; the main window shows the list with the file's
# first record focused and its details; clicking another name moves the name bar and panes.
source "$(dirname "$0")/lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
launch "$app/tervana"

close_splash
main_window
main=$WIN_ID
shot main-window
png=$SHOT
# Centred on the 1280 x 1024 screen, at the 96-dpi client size.
[ "$WIN_X" = $(((1280 - MAIN_W) / 2)) ] && [ "$WIN_Y" = $(((1024 - MAIN_H) / 2)) ] ||
    fail "the main window is not centred: at $WIN_X,$WIN_Y"
# The left half's frame (default flat panel colours) and the white window.
[ "$(pixel "$png" $((WIN_X + 236)) $((WIN_Y + 200)))" != FFFFFF ] || fail "the left half has no visible frame"
[ "$(pixel "$png" $((WIN_X + 237)) $((WIN_Y + 200)))" != FFFFFF ] || fail "the right half has no visible frame"

# The file's first record is focused, wherever its name sorts: its row is highlighted, its
# name is in the name bar in 996633 (RGB 336699), and its texts are in the panes.
read -r sorted_row first <<<"$(first_record_row "$data")"
top=$(list_top "$sorted_row")
row=$((sorted_row - top))
note "first record \"$first\" is on row $sorted_row, shown as row $row"
for ((try = 0; try < 10; ++try)); do
    row_highlighted "$png" $row && break
    sleep 0.3
    shot main-window
    png=$SHOT
done
row_highlighted "$png" $row || fail "the first record's row is not highlighted"
read -r nx ny nw nh <<<"$NAMEBAR"
name_pixels=$(count_colour "$png" $((WIN_X + nx)) $((WIN_Y + ny)) "$nw" "$nh" 336699)
[ "$name_pixels" -gt 40 ] || fail "the name bar shows no name in its colour ($name_pixels pixels)"
namebar_before=$(region_sum "$png" $((WIN_X + nx)) $((WIN_Y + ny)) "$nw" "$nh")

click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
key ctrl+a
shown=$(copy_text | tr -d '\r\n')
[ "$shown" = "$(record_field "$data" "$first" ShiYongZheng)" ] ||
    fail "the 适用症 pane shows \"$shown\", not the first record's text"

# Another name: the second row shown.
other_row=$((row == 1 ? 2 : 1))
other=$(sorted_name "$data" $((top + other_row)))
click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y $other_row)))
sleep 0.3
shot other-name
png=$SHOT
# The focus is in a pane now, so the list's focused row may be drawn without the fill;
# the moved focus shows in the old row losing it.
! row_highlighted "$png" $row || fail "the old row is still highlighted"
[ "$(count_colour "$png" $((WIN_X + nx)) $((WIN_Y + ny)) "$nw" "$nh" 336699)" -gt 40 ] ||
    fail "the name bar lost its colour"
[ "$(region_sum "$png" $((WIN_X + nx)) $((WIN_Y + ny)) "$nw" "$nh")" != "$namebar_before" ] ||
    fail "the name bar did not change"
click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
key ctrl+a
shown=$(copy_text | tr -d '\r\n')
[ "$shown" = "$(record_field "$data" "$other" ShiYongZheng)" ] ||
    fail "after clicking \"$other\" the 适用症 pane shows \"$shown\""

before=$(sha256sum <"$data")
close_window "$main"
wait_exit 10
[ "$(sha256sum <"$data")" = "$before" ] || fail "browsing without editing changed the data file"
note "passed"
