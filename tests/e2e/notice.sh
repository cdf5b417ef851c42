#!/usr/bin/env bash
# "声明" opens the notice card with the version text (the splash has none); its close
# picture closes it and the main window carries on.
source "$(dirname "$0")/lib.sh"

start_x
app=$E2E_WORK/app
stage_program "$app"
launch "$app/tervana"

# The version label (at 244, 392 on the card, which is at 12, 12) is empty in the splash.
wait_window $SPLASH_W $SPLASH_H
shot splash
splash_ink=$(ink_box "$SHOT" $((WIN_X + 256)) $((WIN_Y + 402)) 140 18 FFFFFF)
[ -z "$splash_ink" ] || fail "the splash shows a version text ($splash_ink)"
close_splash
main_window
main=$WIN_ID
mx=$WIN_X
my=$WIN_Y
# "声明": Label1 at 48, 8 in the link bar, which is at 1, 468.
click $((mx + 49 + 13)) $((my + 468 + 8 + 6))
wait_window $SPLASH_W $SPLASH_H
card=$WIN_ID
shot notice
expect_pixel "$SHOT" $((WIN_X + 4)) $((WIN_Y + 4)) FEF485 "the notice card's margin"
ink=$(ink_box "$SHOT" $((WIN_X + 256)) $((WIN_Y + 402)) 140 18 FFFFFF)
[ -n "$ink" ] || fail "the notice shows no version text"
read -r ix iy iw ih <<<"$ink"
note "version text drawn at $ix,$iy, $iw x $ih"
# "Ver:   " and a number with ".0": a line of text some 50 to 90 pixels wide.
((iw >= 40 && iw <= 120 && ih >= 6 && ih <= 16)) || fail "the version text is $iw x $ih pixels"
click $((WIN_X + 428)) $((WIN_Y + 412))
wait_gone "$card"
program_running || fail "closing the notice ended the program"
shot after-notice
close_window "$main"
wait_exit 10
note "passed"
