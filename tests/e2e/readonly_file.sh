#!/usr/bin/env bash
# A data file the user made read-only (mode 0444, in a folder the user may write): an edit
# and a close do not replace it. The error box says "Cannot create file <path>.", the
# program stays open and a second close ends it; the file is unchanged, mode and owner too.
# The edit is kept in the journal: once the file is writable again, the next start shows it
# and its close writes it. Run as a normal user, since root ignores permissions.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lifecycle_lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
data=$app/YaoPin.XML
mark="E2E-READONLY-$$"
top=$(start_top "$data")
name=$(sorted_name "$data" "$top")
original=$(record_field "$data" "$name" ShiYongZheng)
as_user=()
if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null || skip "setpriv is not installed (package util-linux)"
    user=$(id -u nobody) group=$(id -g nobody)
    chown -R "$user:$group" "$app"
    as_user=(setpriv --reuid="$user" --regid="$group" --clear-groups)
fi
chmod 0444 "$data"
before=$(sha256sum <"$data")
owner_before=$(stat -c '%u:%g %a' "$data")

launch "${as_user[@]}" "$app/tervana"
close_splash
main_window
main=$WIN_ID
[ "$(stat -c %u "/proc/$E2E_APP_PID")" = "$(stat -c %u "$app")" ] ||
    fail "the program does not run as the folder's owner"
post_edit "$mark"
close_window "$main"
message_box "$main" error cannot-create-box
program_running || fail "the program ended at the first close, with the error box"
close_window "$main"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the second close ended with status $EXIT_STATUS"
[ "$(sha256sum <"$data")" = "$before" ] || fail "the read-only data file was replaced"
[ "$(stat -c '%u:%g %a' "$data")" = "$owner_before" ] || fail "the file's owner or mode changed"
[ "$(find "$app" -maxdepth 1 -name 'YaoPin.XML.*' ! -name 'YaoPin.XML.journal' | wc -l)" = 0 ] ||
    fail "files were left beside the data file: $(ls "$app")"
[ -s "$data.journal" ] || fail "the refused edit is not kept in the journal"

# Made writable again by its owner, the file takes the edit at the next close.
chmod 0644 "$data"
launch "${as_user[@]}" "$app/tervana"
close_splash
main_window
no_box_at_start "$WIN_ID"
[ "$(pane_text 0)" = "$original $mark" ] || fail "the next start does not show the kept edit"
close_window "$WIN_ID"
wait_status 15
[ "$EXIT_STATUS" = 0 ] || fail "the close ended with status $EXIT_STATUS"
[ "$(record_field "$data" "$name" ShiYongZheng)" = "$original $mark" ] ||
    fail "the data file does not hold the edit once writable"
[ "$(stat -c '%u:%g %a' "$data")" = "${owner_before% *} 644" ] || fail "the rewrite changed the file's owner or mode"
"$TERVANA_BIN_DIR/tervana-data" check "$data" >/dev/null || fail "the rewritten file fails the size check"
note "passed"
