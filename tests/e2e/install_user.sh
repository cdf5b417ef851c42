#!/usr/bin/env bash
# The per-user install script as a normal user: install, start from the menu entry's
# command, save an edit, update to a release with corrected data (merged with the edit),
# uninstall (the edited data file stays), uninstall with --purge.
source "$(dirname "$0")/lib.sh"

make_user
start_x
# What the user installs from: a readable copy of the program folder and of packaging/.
source_dir=$E2E_WORK/source
stage_program "$source_dir/bin"
cp -r "$TERVANA_SOURCE_DIR/packaging" "$source_dir/packaging"
chmod -R a+rX "$source_dir"

as_user bash "$source_dir/packaging/install.sh" --from "$source_dir/bin" >"$E2E_WORK/install.log" 2>&1 ||
    fail "install.sh failed: $(cat "$E2E_WORK/install.log")"
share=$USER_HOME/.local/share
appdir=$share/tervana
for file in tervana libTolvane.so tervana-data YaoPin.XML; do
    [ -f "$appdir/$file" ] || fail "install.sh did not install $file"
done
[ -x "$USER_HOME/.local/bin/tervana" ] || fail "no launcher in ~/.local/bin"
entry=$share/applications/tervana.desktop
[ -f "$entry" ] || fail "no menu entry"
grep -qx 'Name=Tervana' "$entry" && grep -q '^Name\[zh_CN\]=' "$entry" &&
    grep -q '^Categories=.*Education' "$entry" && grep -qx 'Icon=tervana' "$entry" ||
    fail "the menu entry lacks its names, categories or icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "the menu entry does not validate"
fi
for size in 16 32 48 64 128 256; do
    icon=$share/icons/hicolor/${size}x$size/apps/tervana.png
    [ -f "$icon" ] || fail "no $size px icon"
    [ "$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')" = "$size $size" ] ||
        fail "the $size px icon has another size"
done
[ "$(stat -c %U "$appdir/YaoPin.XML")" = "$USER_NAME" ] || fail "the data file is not the user's"

# Start it as the menu would, edit, close.
exec_line=$(desktop_exec "$entry")
note "menu command: $exec_line"
launch as_user sh -c "$exec_line"
edit_and_close "USER-EDIT-$$"
grep -q "USER-EDIT-$$" "$appdir/YaoPin.XML" || fail "the edit was not written to $appdir/YaoPin.XML"
cmp -s "$appdir/YaoPin.XML" "$source_dir/bin/YaoPin.XML" && fail "the edit reached the source folder"
"$TERVANA_BIN_DIR/tervana-data" check "$appdir/YaoPin.XML" >/dev/null || fail "the edited file fails its check"

# Installing again (an update) keeps the edited data file.
as_user bash "$source_dir/packaging/install.sh" --from "$source_dir/bin" >"$E2E_WORK/install.log" 2>&1 ||
    fail "the second install failed"
grep -q "USER-EDIT-$$" "$appdir/YaoPin.XML" || fail "installing again replaced the edited data file"

# An update whose data corrects one medicine and removes another: merged with the edit, and
# the first start after it says what happened.
update_dir=$E2E_WORK/update
stage_program "$update_dir/bin"
make_release "$source_dir/bin/YaoPin.XML" "$update_dir/bin/YaoPin.XML"
cp -r "$TERVANA_SOURCE_DIR/packaging" "$update_dir/packaging"
chmod -R a+rX "$update_dir"
# While a journal lies beside the data file (a running program, or a crash's edits still to
# replay) the update leaves the file alone, so that the journal still belongs to it.
before=$E2E_WORK/before-update.XML
cp "$appdir/YaoPin.XML" "$before"
as_user touch "$appdir/YaoPin.XML.journal"
as_user bash "$update_dir/packaging/install.sh" --from "$update_dir/bin" >"$E2E_WORK/update.log" 2>&1 ||
    fail "the update with a journal failed: $(cat "$E2E_WORK/update.log")"
cmp -s "$appdir/YaoPin.XML" "$before" || fail "the update replaced a data file that has a journal"
grep -q "YaoPin.XML.journal" "$E2E_WORK/update.log" || fail "the update did not say why it kept the data file"
rm -f "$appdir/YaoPin.XML.journal"
as_user bash "$update_dir/packaging/install.sh" --from "$update_dir/bin" >"$E2E_WORK/update.log" 2>&1 ||
    fail "the update failed: $(cat "$E2E_WORK/update.log")"
note "update: $(tr '\n' ' ' <"$E2E_WORK/update.log")"
expect_merged "$appdir/YaoPin.XML" "USER-EDIT-$$"
cmp -s "$appdir/YaoPin.base.XML" "$update_dir/bin/YaoPin.XML" || fail "the base is not the new release's data"
launch as_user sh -c "$exec_line"
start_after_update
[ ! -e "$appdir/.update-report" ] || fail "the update's report is still there after it was shown"

# Uninstall: everything installed goes, the edited data file stays.
as_user bash "$source_dir/packaging/install.sh" --uninstall >"$E2E_WORK/uninstall.log" 2>&1 ||
    fail "uninstall failed: $(cat "$E2E_WORK/uninstall.log")"
left=$(cd "$USER_HOME" && find . -type f | sort)
[ "$left" = "./.local/share/tervana/YaoPin.XML" ] || fail "after uninstalling, these files are left: $left"
as_user bash "$source_dir/packaging/install.sh" --uninstall --purge >"$E2E_WORK/uninstall.log" 2>&1 ||
    fail "uninstall --purge failed: $(cat "$E2E_WORK/uninstall.log")"
[ -z "$(cd "$USER_HOME" && find . -type f)" ] || fail "--purge left files behind"
[ ! -e "$appdir" ] || fail "--purge left the program folder"

# An unedited installation leaves nothing at all after a plain uninstall.
as_user bash "$source_dir/packaging/install.sh" --from "$source_dir/bin" >/dev/null 2>&1 || fail "reinstall failed"
as_user bash "$source_dir/packaging/install.sh" --uninstall >/dev/null 2>&1 || fail "second uninstall failed"
[ -z "$(cd "$USER_HOME" && find . -type f)" ] || fail "uninstalling an unedited copy left files"
note "passed"
