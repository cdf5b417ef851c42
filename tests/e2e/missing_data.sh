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

message_box "$main" "数据文件不能打开！" cannot-open
message_box "$main" "数据文件错误！" wrong-file
message_box "$main" error error-box
wait_exit 10
[ ! -e "$app/YaoPin.XML" ] || fail "a data file was created"
note "passed"
