#!/bin/sh
# Starts Tervana. The program reads and rewrites YaoPin.XML beside its own executable, so
# it must run from a folder the user may write to. An installation in the user's own folder
# (the per-user install script, or `cmake --install --prefix ~/.local`) is started as it
# is; a shared read-only one (the .deb in /opt/tervana) is copied into the user's data
# folder at the first start, with the user's own copy of the data file, and run from there.
set -eu

here=$(dirname "$(readlink -f "$0")")
appdir=${TERVANA_APPDIR:-}
if [ -z "$appdir" ]; then
    for candidate in "$here/../share/tervana" /opt/tervana; do
        if [ -x "$candidate/tervana" ]; then
            appdir=$(readlink -f "$candidate")
            break
        fi
    done
fi
if [ -z "$appdir" ] || [ ! -x "$appdir/tervana" ]; then
    echo "tervana: the program folder was not found (looked in $here/../share/tervana and /opt/tervana)" >&2
    exit 1
fi

userdir=${XDG_DATA_HOME:-${HOME:?}/.local/share}/tervana
userdir=$(readlink -m "$userdir")

# A per-user installation is the user's choice and holds their data: it comes first.
if [ -e "$userdir/.installed" ]; then
    exec "$userdir/tervana" "$@"
fi
# A folder inside the user's home (e.g. `cmake --install --prefix ~/.local`): run in place.
case "$appdir/" in
"$userdir/" | "$(readlink -m "${HOME:?}")"/*) exec "$appdir/tervana" "$@" ;;
esac

# A shared folder: keep the user's copy of the program in step with it (copies, not links:
# the program finds its data file beside its resolved executable), and copy the data file
# only once, so the user's edits stay.
mkdir -p "$userdir"
for file in tervana libTolvane.so tervana-data; do
    [ -e "$appdir/$file" ] || continue
    if ! cmp -s "$appdir/$file" "$userdir/$file"; then
        cp -f "$appdir/$file" "$userdir/$file.new"
        chmod 755 "$userdir/$file.new"
        mv -f "$userdir/$file.new" "$userdir/$file"
    fi
done
# The data file the user's copy came from is kept beside it (YaoPin.base.XML): when the
# package brings new data, an unedited copy takes it and an edited one is merged with it, so
# that corrections reach the user while their own texts stay. What the merge did is shown at
# the program's start. Without a base (a copy made before bases were kept) an edited copy
# cannot be merged and stays as it is.
data=$userdir/YaoPin.XML
base=$userdir/YaoPin.base.XML
take_shipped() {
    cp "$appdir/YaoPin.XML" "$1.new"
    chmod 644 "$1.new"
    mv -f "$1.new" "$1"
}
if [ ! -e "$data" ]; then
    take_shipped "$data"
    take_shipped "$base"
elif [ -e "$data.journal" ]; then
    # A running copy, or edits a crash left for the program to replay: a merged file would no
    # longer be the one the journal belongs to. The program folds the journal in at its close,
    # and the start after that merges.
    :
elif [ -e "$base" ] && ! cmp -s "$appdir/YaoPin.XML" "$base"; then
    if cmp -s "$data" "$base"; then
        take_shipped "$data"
        take_shipped "$base"
    elif "$userdir/tervana-data" merge "$base" "$data" "$appdir/YaoPin.XML" -o "$data.merged" \
        >"$userdir/.update-report.new" 2>"$userdir/.update-errors"; then
        mv -f "$data.merged" "$data"
        mv -f "$userdir/.update-report.new" "$userdir/.update-report"
        take_shipped "$base"
        rm -f "$userdir/.update-errors"
    else
        # Kept as it is; the next start tries again (with a newer tool, perhaps).
        echo "tervana: your data file could not be merged with the new release: $(head -n 1 "$userdir/.update-errors")" >&2
        rm -f "$data.merged" "$userdir/.update-report.new" "$userdir/.update-errors"
    fi
elif [ ! -e "$base" ] && cmp -s "$data" "$appdir/YaoPin.XML"; then
    take_shipped "$base"
fi
printf '%s\n' "$appdir" >"$userdir/.copied-from"
exec "$userdir/tervana" "$@"
