#!/usr/bin/env bash
# A YaoPin.XML that is a FIFO nobody writes is a file that cannot be opened: "数据文件不能打开！",
# "数据文件错误！", the data set's "Cannot open file" in the error box, and the end of the program,
# as for a file held by another writer. Nothing waits on the FIFO, and the data tool's check
# of it answers at once.
source "$(dirname "$0")/lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
rm "$app/YaoPin.XML"
mkfifo "$app/YaoPin.XML"
launch "$app/tervana"
close_splash
main_window
main=$WIN_ID
message_box "$main" "数据文件不能打开！" cannot-open
message_box "$main" "数据文件错误！" wrong-file
message_box "$main" error error-box
wait_exit 10
[ -p "$app/YaoPin.XML" ] || fail "the FIFO was replaced"

status=0
out=$(timeout -s KILL 10 "$app/tervana-data" check "$app/YaoPin.XML") || status=$?
[ "$status" = 1 ] || fail "the tool's check of the FIFO ended with status $status"
[ "$out" = "cds: Cannot open file $app/YaoPin.XML" ] || fail "the tool's check says: $out"
note "passed"
