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
if [ ! -e "$userdir/YaoPin.XML" ]; then
    cp "$appdir/YaoPin.XML" "$userdir/YaoPin.XML.new"
    chmod 644 "$userdir/YaoPin.XML.new"
    mv -f "$userdir/YaoPin.XML.new" "$userdir/YaoPin.XML"
fi
printf '%s\n' "$appdir" >"$userdir/.copied-from"
exec "$userdir/tervana" "$@"
