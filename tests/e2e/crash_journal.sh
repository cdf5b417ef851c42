#!/usr/bin/env bash
# A crash after a posted edit (kill -9: no close, no write-back): the edit is in the journal
# beside the data file, the next start shows it without a box, and the close after it
# writes it into the data file, which passes the size check; the journal is gone then.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lifecycle_lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
mark="E2E-CRASH-$$"
top=$(start_top "$data")
name=$(sorted_name "$data" "$top")
original=$(record_field "$data" "$name" ShiYongZheng)
shipped=$(sha256sum <"$data")

launch "$app/tervana"
close_splash
main_window
post_edit "$mark"
# Within a second of the post the edit is on the disk.
sleep 1
kill -KILL "$E2E_APP_PID"
wait_status 5
[ "$(sha256sum <"$data")" = "$shipped" ] || fail "the data file changed without a write-back"
[ -s "$data.journal" ] || fail "no journal beside the data file after the crash"
grep -q "$mark" "$data.journal" || fail "the journal does not hold the posted edit"

launch "$app/tervana"
close_splash
main_window
main=$WIN_ID
no_box_at_start "$main"
shot after-crash
[ "$(pane_text 0)" = "$original $mark" ] || fail "the next start does not show the edit from the journal"
close_window "$main"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the close ended with status $EXIT_STATUS"
[ "$(record_field "$data" "$name" ShiYongZheng)" = "$original $mark" ] ||
    fail "the data file does not hold the replayed edit after the close"
"$TERVANA_BIN_DIR/tervana-data" check "$data" >/dev/null || fail "the file folded from the journal fails the size check"
[ -e "$data.journal" ] && fail "the journal is still there after the write-back"

# The third start opens the written file without any box.
launch "$app/tervana"
close_splash
main_window
no_box_at_start "$WIN_ID"
[ "$(pane_text 0)" = "$original $mark" ] || fail "the third start does not show the edit"
close_window "$WIN_ID"
wait_exit 15
note "passed"
