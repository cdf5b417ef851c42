#!/usr/bin/env bash
# Another writer replaces the data file while the program runs (an update, the maintainer's
# tool): the close does not overwrite it. The other file stays byte for byte, the edits go
# to a sealed side file beside it that the error box names, and a second close ends the
# program. Renamed to YaoPin.XML, the side file opens with the edit.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lifecycle_lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
mark="E2E-MINE-$$"
top=$(start_top "$data")
name=$(sorted_name "$data" "$top")
original=$(record_field "$data" "$name" ShiYongZheng)
make_release "$data" "$E2E_WORK/release.XML"

launch "$app/tervana"
close_splash
main_window
main=$WIN_ID
post_edit "$mark"
# The other writer puts its file in place, as an update does: whole, by a rename.
cp "$E2E_WORK/release.XML" "$app/.incoming"
mv "$app/.incoming" "$data"
theirs=$(sha256sum <"$data")
close_window "$main"
message_box "$main" error side-file-box
program_running || fail "the program ended at the first close, with the error box"
side=$(find "$app" -maxdepth 1 -name 'YaoPin（我的修改 *）.XML')
[ "$(printf '%s\n' "$side" | grep -c .)" = 1 ] || fail "expected one side file, found: $(ls "$app")"
close_window "$main"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the second close ended with status $EXIT_STATUS"
[ "$(sha256sum <"$data")" = "$theirs" ] || fail "the other writer's file was overwritten"
[ -e "$data.journal" ] && fail "the journal is still there after the side file was written"
"$TERVANA_BIN_DIR/tervana-data" check "$side" >/dev/null || fail "the side file is not sealed"
[ "$(record_field "$side" "$name" ShiYongZheng)" = "$original $mark" ] ||
    fail "the side file does not hold the edit"

# Renamed into place, the side file is the data file with the edit.
mv "$side" "$data"
launch "$app/tervana"
close_splash
main_window
no_box_at_start "$WIN_ID"
[ "$(pane_text 0)" = "$original $mark" ] || fail "the renamed side file does not show the edit"
close_window "$WIN_ID"
wait_exit 15
note "passed"
