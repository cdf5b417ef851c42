#!/usr/bin/env bash
# At scale factors 2 and 1.5 the windows are the 96-dpi layout scaled: the splash and the main
# window have the scaled sizes, the frames and the name bar's colour are where the scaled
# layout puts them. The screenshots are kept to be looked at (crispness, clipped texts).
source "$(dirname "$0")/lib.sh"

app=$E2E_WORK/app
stage_program "$app"

# near GOT WANT: within one pixel (a scaled size may round either way).
near() { (($1 - $2 <= 1 && $2 - $1 <= 1)); }

for factor in 2 1.5; do
    case $factor in 2) tenths=20 ;; 1.5) tenths=15 ;; esac
    start_x 2400x1800
    export QT_SCALE_FACTOR=$factor
    # scale N: N pixels at this factor, rounded half up.
    scale() { echo $((($1 * tenths + 5) / 10)); }
    launch "$app/tervana"
    splash_w=$(scale $SPLASH_W)
    splash_h=$(scale $SPLASH_H)
    wait_window 0 0
    eval "$(xdotool getwindowgeometry --shell "$WIN_ID")"
    near "$WIDTH" "$splash_w" && near "$HEIGHT" "$splash_h" ||
        fail "at $factor the splash is $WIDTH x $HEIGHT, not about $splash_w x $splash_h"
    shot "splash-x$factor"
    expect_pixel "$SHOT" $((WIN_X + 4)) $((WIN_Y + 4)) FEF485 "the splash's margin at $factor"
    expect_pixel "$SHOT" $((WIN_X + $(scale 212))) $((WIN_Y + $(scale 132))) FFFFFF "the card at $factor"
    splash=$WIN_ID
    click $((WIN_X + $(scale 428))) $((WIN_Y + $(scale 412)))
    wait_gone "$splash"

    main_w=$(scale $MAIN_W)
    main_h=$(scale $MAIN_H)
    wait_window 0 0
    eval "$(xdotool getwindowgeometry --shell "$WIN_ID")"
    near "$WIDTH" "$main_w" && near "$HEIGHT" "$main_h" ||
        fail "at $factor the main window is $WIDTH x $HEIGHT, not about $main_w x $main_h"
    main=$WIN_ID
    sleep 0.5
    shot "main-x$factor"
    # The name bar's name, in its colour, inside the scaled name bar.
    read -r nx ny nw nh <<<"$NAMEBAR"
    [ "$(count_colour "$SHOT" $((WIN_X + $(scale $nx))) $((WIN_Y + $(scale $ny))) $(scale $nw) $(scale $nh) 336699)" -gt 80 ] ||
        fail "at $factor the name bar shows no name in its colour"
    # The left half ends at the scaled 237: its frame is there, the right half's white beyond.
    edge=$(scale 236)
    [ "$(pixel "$SHOT" $((WIN_X + edge - 1)) $((WIN_Y + $(scale 200))))" != FFFFFF ] ||
        [ "$(pixel "$SHOT" $((WIN_X + edge)) $((WIN_Y + $(scale 200))))" != FFFFFF ] ||
        fail "at $factor no frame at the left half's scaled edge"
    note "x$factor: splash ${splash_w}x$splash_h, main window ${WIDTH}x$HEIGHT"
    close_window "$main"
    wait_exit 10
    kill "$E2E_XVFB_PID"
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=""
    rm -f "$E2E_WORK/display"
done
note "passed"
