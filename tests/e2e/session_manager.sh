#!/usr/bin/env bash
# Logging out through X11 session management: the session manager asks the program to save
# for a shutdown; the posted edit is written back, the request is answered and the program
# ends with status 0. The next start shows the edit and passes the size check.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lifecycle_lib.sh"

manager=${TERVANA_BUILD_DIR:?}/tests/tervana_e2e_xsmp
[ -x "$manager" ] || skip "the session manager helper was not built (package libsm-dev)"
start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
mark="E2E-XSMP-$$"
top=$(start_top "$data")
name=$(sorted_name "$data" "$top")
original=$(record_field "$data" "$name" ShiYongZheng)

"$manager" 60 >"$E2E_WORK/manager.log" 2>&1 &
manager_pid=$!
E2E_EXTRA_CLEANUP="kill $manager_pid 2>/dev/null || true"
for ((i = 0; i < 50; ++i)); do
    [ -s "$E2E_WORK/manager.log" ] && break
    sleep 0.1
done
SESSION_MANAGER=$(head -n 1 "$E2E_WORK/manager.log")
[ -n "$SESSION_MANAGER" ] || fail "the session manager did not start: $(cat "$E2E_WORK/manager.log")"
export SESSION_MANAGER

launch "$app/tervana"
close_splash
main_window
grep -qx registered "$E2E_WORK/manager.log" || fail "the program did not register with the session manager"
post_edit "$mark"
shot before-logout
kill -USR1 "$manager_pid"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the program ended with status $EXIT_STATUS at the log-out"
grep -qx save-yourself-done "$E2E_WORK/manager.log" ||
    fail "the program did not answer the save request: $(tr '\n' ';' <"$E2E_WORK/manager.log")"
[ "$(record_field "$data" "$name" ShiYongZheng)" = "$original $mark" ] ||
    fail "the posted edit was not written back at the log-out"
"$TERVANA_BIN_DIR/tervana-data" check "$data" >/dev/null || fail "the file written at the log-out fails the size check"
[ -e "$data.journal" ] && fail "the journal is still there after the write-back"
unset SESSION_MANAGER

launch "$app/tervana"
close_splash
main_window
no_box_at_start "$WIN_ID"
[ "$(pane_text 0)" = "$original $mark" ] || fail "the next start does not show the edit"
close_window "$WIN_ID"
wait_exit 15
note "passed"
