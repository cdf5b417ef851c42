#!/usr/bin/env bash
# The .deb: built with CPack, installed with dpkg, started by a normal user from the menu
# entry's command (which gives the user their own copy of the program folder and data file),
# an edit saved there, updated to a package with corrected data (merged with the edit), and
# removed cleanly. Installs into the machine itself, so it needs
# root and leaves a tervana package that was installed before it alone.
source "$(dirname "$0")/lib.sh"

[ "$(id -u)" = 0 ] || skip "not running as root: the package cannot be installed"
command -v dpkg >/dev/null && command -v cpack >/dev/null || skip "dpkg or cpack is missing"
: "${TERVANA_BUILD_DIR:?}"
if dpkg-query -W -f='${Status}' tervana 2>/dev/null | grep -q "ok installed"; then
    skip "a tervana package is installed already; not touching it"
fi
make_user
start_x

(cd "$TERVANA_BUILD_DIR" && cpack -G DEB -B "$E2E_WORK/package") >"$E2E_WORK/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$E2E_WORK/cpack.log")"
deb=$(ls "$E2E_WORK"/package/tervana_*.deb)
E2E_EXTRA_CLEANUP="dpkg -r tervana >/dev/null 2>&1 || true; ${E2E_EXTRA_CLEANUP:-}"
dpkg -i "$deb" >"$E2E_WORK/dpkg.log" 2>&1 || fail "dpkg -i failed: $(cat "$E2E_WORK/dpkg.log")"

for path in /opt/tervana/tervana /opt/tervana/libTolvane.so /opt/tervana/tervana-data \
    /opt/tervana/YaoPin.XML /usr/bin/tervana /usr/share/applications/tervana.desktop \
    /usr/share/icons/hicolor/48x48/apps/tervana.png /usr/share/icons/hicolor/256x256/apps/tervana.png; do
    [ -e "$path" ] || fail "the package did not install $path"
done
shipped=$(sha256sum </opt/tervana/YaoPin.XML)

exec_line=$(desktop_exec /usr/share/applications/tervana.desktop)
note "menu command: $exec_line"
launch as_user sh -c "$exec_line"
edit_and_close "DEB-EDIT-$$"
userdir=$USER_HOME/.local/share/tervana
grep -q "DEB-EDIT-$$" "$userdir/YaoPin.XML" || fail "the edit is not in the user's copy $userdir/YaoPin.XML"
[ "$(sha256sum </opt/tervana/YaoPin.XML)" = "$shipped" ] || fail "the shared data file changed"
[ "$(stat -c %U "$userdir/YaoPin.XML")" = "$USER_NAME" ] || fail "the user's data file is not theirs"
[ ! -L "$userdir/tervana" ] || fail "the user's program is a link: it would look for the data in /opt"

# The second start runs the user's copy with their edit: it does not copy the data again.
launch as_user sh -c "$exec_line"
close_splash
main_window
main=$WIN_ID
click $((WIN_X + LIST_X)) $((WIN_Y + $(list_row_y 0)))
click $((WIN_X + PANE_X)) $((WIN_Y + PANE_Y))
key ctrl+a
shown=$(copy_text)
case $shown in
*"DEB-EDIT-$$"*) ;;
*) fail "at the second start the pane shows \"$shown\"" ;;
esac
close_window "$main"
wait_exit 15

# An update of the package whose data corrects one medicine and removes another: the next
# start merges it with the user's edit and says what happened.
repack=$E2E_WORK/repack
dpkg-deb -R "$deb" "$repack" || fail "cannot unpack $deb"
make_release /opt/tervana/YaoPin.XML "$repack/opt/tervana/YaoPin.XML"
sed -i 's/^Version: .*/&.1/' "$repack/DEBIAN/control"
if [ -f "$repack/DEBIAN/md5sums" ]; then
    (cd "$repack" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | xargs -0 md5sum) >"$repack/DEBIAN/md5sums"
fi
dpkg-deb -b "$repack" "$E2E_WORK/update.deb" >/dev/null || fail "cannot build the update package"
dpkg -i "$E2E_WORK/update.deb" >"$E2E_WORK/dpkg.log" 2>&1 || fail "the update failed: $(cat "$E2E_WORK/dpkg.log")"
launch as_user sh -c "$exec_line"
start_after_update
expect_merged "$userdir/YaoPin.XML" "DEB-EDIT-$$"
[ ! -e "$userdir/.update-report" ] || fail "the update's report is still there after it was shown"

dpkg -r tervana >"$E2E_WORK/dpkg.log" 2>&1 || fail "dpkg -r failed: $(cat "$E2E_WORK/dpkg.log")"
for path in /opt/tervana /usr/bin/tervana /usr/share/applications/tervana.desktop \
    /usr/share/icons/hicolor/48x48/apps/tervana.png; do
    [ ! -e "$path" ] || fail "removing the package left $path"
done
# The users' own copies are their data: the package does not reach into their homes.
grep -q "DEB-EDIT-$$" "$userdir/YaoPin.XML" || fail "removing the package touched the user's data"
note "passed"
