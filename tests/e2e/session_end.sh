#!/usr/bin/env bash
# Logging out with the program open: SIGTERM writes the posted edit back (and posts the one
# still in a pane), the program ends with status 0, and the next start shows both edits and
# passes the size check. SIGHUP with nothing changed ends it and leaves the file alone.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lifecycle_lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
posted="E2E-POSTED-$$"
pending="E2E-PENDING-$$"
top=$(start_top "$data")
first=$(sorted_name "$data" "$top")
third=$(sorted_name "$data" $((top + 2)))
first_text=$(record_field "$data" "$first" ShiYongZheng)
third_text=$(record_field "$data" "$third" ShiYongZheng)

launch "$app/tervana"
close_splash
main_window
post_edit "$posted"
[ -f "$data.journal" ] || fail "the posted edit is not in a journal beside the data file"
# The second edit stays in the pane: not posted when the session ends.
edit_pane 2 "$pending"
shot before-logout
kill -TERM "$E2E_APP_PID"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the program ended with status $EXIT_STATUS after SIGTERM"
[ "$(record_field "$data" "$first" ShiYongZheng)" = "$first_text $posted" ] ||
    fail "the posted edit was not written back at the session's end"
[ "$(record_field "$data" "$third" ShiYongZheng)" = "$third_text $pending" ] ||
    fail "the edit still in the pane was not posted at the session's end"
"$TERVANA_BIN_DIR/tervana-data" check "$data" >/dev/null || fail "the file written at SIGTERM fails the size check"
[ -e "$data.journal" ] && fail "the journal is still there after the write-back"
ls "$app" | grep -q 'XML\.' && fail "a temporary file was left: $(ls "$app")"

launch "$app/tervana"
close_splash
main_window
main=$WIN_ID
no_box_at_start "$main"
shot next-start
[ "$(pane_text 0)" = "$first_text $posted" ] || fail "the next start does not show the posted edit"
[ "$(pane_text 2)" = "$third_text $pending" ] || fail "the next start does not show the pane's edit"
before=$(sha256sum <"$data")
kill -HUP "$E2E_APP_PID"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the program ended with status $EXIT_STATUS after SIGHUP"
[ "$(sha256sum <"$data")" = "$before" ] || fail "SIGHUP without an edit rewrote the file"
note "passed"
