# Steps shared by the runs of the session's ends (log-out, another writer, a crash, a
# read-only file). Sourced after lib.sh.

# edit_pane ROW MARK: click row ROW of the list, then the 适用症 pane, and type MARK at its end.
edit_pane() {
    click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y "$1")))
    click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
    key ctrl+End
    xdotool type --delay 30 " $2"
    sleep 0.3
}

# post_edit MARK: the edit of the top row's 适用症, posted by choosing the next row.
post_edit() {
    edit_pane 0 "$1"
    click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y 1)))
    sleep 0.3
}

# pane_text ROW: the 适用症 pane's text for row ROW, through Ctrl+A and Ctrl+C.
pane_text() {
    click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y "$1")))
    click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
    key ctrl+a
    copy_text | tr -d '\r\n'
}

# no_box_at_start MAIN: the list shows its rows and no box came with the start.
no_box_at_start() {
    local i
    for ((i = 0; ; ++i)); do
        import -window root "$E2E_WORK/start.ppm"
        [ -z "$(windows | awk -v m="$1" '$1 != m')" ] ||
            fail "a message box appeared at the start: $(windows | tr '\n' ';')"
        [ -n "$(ink_box "$E2E_WORK/start.ppm" $((WIN_X + 2)) $((WIN_Y + LIST_FIRST_ROW_Y + 2)) 200 \
            $((LIST_ROW_H - 4)) FFFFFF)" ] && break
        ((i < 100)) || fail "the list shows no rows at the start"
        sleep 0.1
    done
}

# exit_status: the status the program ended with (after wait_exit-like waiting).
wait_status() {
    local seconds=${1:-15} i
    for ((i = 0; i < seconds * 10; ++i)); do
        kill -0 "$E2E_APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$E2E_APP_PID" 2>/dev/null && fail "the program did not end within $seconds s"
    EXIT_STATUS=0
    wait "$E2E_APP_PID" || EXIT_STATUS=$?
    E2E_APP_PID=""
}
