#!/usr/bin/env bash
# A second start for the same data file (a double click on the menu entry is enough) brings
# the running main window to the front and ends at once with status 0: no second splash, no
# second window. After the program ends, and after a run that was killed, the next start is
# an ordinary one.
source "$(dirname "$0")/lib.sh"

start_x
# The lock and the socket live in the user's runtime folder: a private one for this run.
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
app=$E2E_WORK/app
stage_program "$app"
launch "$app/tervana"
first=$E2E_APP_PID
close_splash
main_window
main=$WIN_ID
mx=$WIN_X
my=$WIN_Y

# Another program's window over the main window: here the notice card of a copy on another
# data file, which is another program and so starts as usual.
other=$E2E_WORK/other
stage_program "$other"
mkdir -m 700 "$E2E_WORK/other-runtime"
XDG_RUNTIME_DIR=$E2E_WORK/other-runtime LC_ALL=C.UTF-8 "$other/tervana" >"$E2E_WORK/other.log" 2>&1 &
other_pid=$!
E2E_EXTRA_CLEANUP="kill $other_pid 2>/dev/null || true"
wait_window $SPLASH_W $SPLASH_H
cover=$WIN_ID
cx=$WIN_X
cy=$WIN_Y
shot covered
# The card's yellow margin lies over the main window.
((cx + 4 > mx && cy + 4 > my && cx + 4 < mx + MAIN_W && cy + 4 < my + MAIN_H)) ||
    fail "the other card does not lie over the main window"
expect_pixel "$SHOT" $((cx + 4)) $((cy + 4)) FEF485 "the other program's card over the main window"

# The second start, watched for any window of its own while it runs: the windows on the
# screen before it are the only ones while it runs and after it.
visible() { xdotool search --onlyvisible '.*' 2>/dev/null | sort -u; }
before=$(visible)
started=$(date +%s%N)
LC_ALL=C.UTF-8 "$app/tervana" >"$E2E_WORK/second.log" 2>&1 &
second=$!
own_windows=""
while kill -0 "$second" 2>/dev/null; do
    own_windows+=$(comm -13 <(echo "$before") <(visible))
    (($(date +%s%N) - started < 10000000000)) || fail "the second start did not end within 10 s"
    sleep 0.02
done
status=0
wait "$second" || status=$?
took=$((($(date +%s%N) - started) / 1000000))
note "the second start ended with status $status after $took ms"
[ "$status" = 0 ] || fail "the second start ended with status $status: $(cat "$E2E_WORK/second.log")"
((took < 3000)) || fail "the second start took $took ms"
[ -z "$own_windows" ] || fail "the second start showed windows of its own: $own_windows"
sleep 0.4
shot second-start
# Exactly the first program's main window and the other card: no second splash or window.
[ "$(windows | awk -v m="$main" -v c="$cover" '$1 != m && $1 != c' | wc -l)" = 0 ] ||
    fail "a window more after the second start: $(windows | tr '\n' ';')"
program_running || fail "the first program ended"
# The main window came to the front, over the other card, and has the keyboard.
[ "$(pixel "$SHOT" $((cx + 4)) $((cy + 4)))" != FEF485 ] ||
    fail "the main window did not come to the front: the other card still lies over it"
focus=$(xdotool getwindowfocus 2>/dev/null || true)
[ "$focus" = "$main" ] || fail "the keyboard focus is on window $focus, not on the main window $main"

shot front
kill "$other_pid" 2>/dev/null || true
wait "$other_pid" 2>/dev/null || true

# The running program is unharmed: it still closes as usual, and a start after it is an
# ordinary one, with the notice card.
close_window "$main"
wait_exit 15
launch "$app/tervana"
close_splash
main_window
killed=$E2E_APP_PID
# Killed (the out-of-memory killer, a power cut): its lock file and socket stay behind.
kill -KILL "$killed"
wait "$killed" 2>/dev/null || true
E2E_APP_PID=""
lock=$(ls "$XDG_RUNTIME_DIR"/tervana-*.lock)
[ "$(wc -l <<<"$lock")" = 1 ] || fail "not one lock file: $lock"
[ "$(cat "$lock")" = "$killed" ] || fail "the lock file holds $(cat "$lock"), not the killed run's $killed"
[ -S "${lock%.lock}.socket" ] || fail "the killed run's socket is not there"
launch "$app/tervana"
close_splash
main_window
[ "$(cat "$lock")" = "$E2E_APP_PID" ] || fail "the lock was not taken over: it holds $(cat "$lock")"
shot after-the-kill
close_window "$WIN_ID"
wait_exit 15
note "passed"
