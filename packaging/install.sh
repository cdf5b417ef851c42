#!/usr/bin/env bash
# Installs Tervana for the current user, or removes it again.
#
#   install.sh [--from DIR]        install (or update) from DIR, a folder holding tervana,
#                                  libTolvane.so, tervana-data and YaoPin.XML (default: the
#                                  build's bin/ folder of this repository)
#   install.sh --uninstall         remove what was installed; a data file the user edited stays
#   install.sh --uninstall --purge remove the edited data file as well
#
# Where things go (freedesktop conventions; XDG_DATA_HOME defaults to ~/.local/share):
#   $XDG_DATA_HOME/tervana/                       the program folder, writable by the user, so
#                                                 that edits can be written back to YaoPin.XML
#   ~/.local/bin/tervana                          the launcher on the PATH
#   $XDG_DATA_HOME/applications/tervana.desktop   the menu entry
#   $XDG_DATA_HOME/icons/hicolor/NxN/apps/tervana.png
# A list of what was installed, with the checksum of the data file as shipped, is kept in
# the program folder as .installed; the uninstall removes exactly those files.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
from=""
mode=install
purge=0
while (($#)); do
    case $1 in
    --from)
        from=${2:?--from needs a folder}
        shift
        ;;
    --uninstall) mode=uninstall ;;
    --purge) purge=1 ;;
    -h | --help)
        sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "install.sh: unknown argument: $1 (see --help)" >&2
        exit 2
        ;;
    esac
    shift
done
if ((purge)) && [ "$mode" != uninstall ]; then
    echo "install.sh: --purge goes with --uninstall" >&2
    exit 2
fi

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
appdir=$data_home/tervana
bindir=$HOME/.local/bin
manifest=$appdir/.installed
icon_sizes=(16 32 48 64 128 256)

refresh_caches() {
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database -q "$data_home/applications" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null && [ -f "$data_home/icons/hicolor/index.theme" ]; then
        gtk-update-icon-cache -q -t "$data_home/icons/hicolor" 2>/dev/null || true
    fi
}

uninstall() {
    if [ ! -f "$manifest" ]; then
        # What an earlier uninstall kept: only --purge still has something to do.
        if ((purge)) && [ -f "$appdir/YaoPin.XML" ]; then
            rm -f -- "$appdir/YaoPin.XML"
            rmdir --ignore-fail-on-non-empty -- "$appdir" 2>/dev/null || true
            echo "Your data file $appdir/YaoPin.XML was removed."
            return
        fi
        echo "Tervana is not installed for ${USER:-this user} (no $manifest)." >&2
        exit 1
    fi
    local shipped_sum="" line path
    while IFS= read -r line; do
        case $line in
        "data "*) shipped_sum=${line#data } ;;
        "file "*)
            path=${line#file }
            rm -f -- "$path"
            ;;
        esac
    done <"$manifest"
    local data=$appdir/YaoPin.XML kept=0
    if [ -f "$data" ]; then
        if ((purge)) || [ "$(sha256sum <"$data" | cut -d' ' -f1)" = "$shipped_sum" ]; then
            rm -f -- "$data"
        else
            kept=1
        fi
    fi
    rm -f -- "$manifest" "$data.tmp" "$appdir/.update-report"
    # Folders are removed only when they are empty: nothing of the user's goes with them.
    local dir
    for size in "${icon_sizes[@]}"; do
        for dir in "$data_home/icons/hicolor/${size}x$size/apps" "$data_home/icons/hicolor/${size}x$size"; do
            rmdir --ignore-fail-on-non-empty -- "$dir" 2>/dev/null || true
        done
    done
    rmdir --ignore-fail-on-non-empty -- "$appdir" 2>/dev/null || true
    refresh_caches
    if ((kept)); then
        echo "Tervana removed. Your edited data file stays in $data (--purge removes it)."
    else
        echo "Tervana removed."
    fi
}

install_files() {
    if [ -z "$from" ]; then
        for candidate in "${TERVANA_BUILD_DIR:-$here/../build}/bin" "$here/../build/bin"; do
            [ -x "$candidate/tervana" ] && {
                from=$candidate
                break
            }
        done
    fi
    local file
    for file in tervana libTolvane.so tervana-data YaoPin.XML; do
        if [ ! -f "$from/$file" ]; then
            echo "install.sh: $file not found in '${from:-build/bin}'; build first or give --from DIR" >&2
            exit 1
        fi
    done
    for file in tervana-launcher.sh tervana.desktop; do
        [ -f "$here/$file" ] || {
            echo "install.sh: $here/$file is missing" >&2
            exit 1
        }
    done

    mkdir -p "$appdir" "$bindir" "$data_home/applications"
    local list shipped_sum
    list=$(mktemp)
    trap 'rm -f "$list"' RETURN
    shipped_sum=$(sha256sum <"$from/YaoPin.XML" | cut -d' ' -f1)

    # Program and library are replaced through a new name, so a running copy is not hurt.
    for file in tervana libTolvane.so tervana-data; do
        install -m 755 "$from/$file" "$appdir/.$file.new"
        mv -f "$appdir/.$file.new" "$appdir/$file"
        echo "file $appdir/$file" >>"$list"
    done

    # The data file: a new install, or an update over an unedited one, takes the shipped
    # file. A file the user edited is merged with the new release against the release it
    # came from (kept beside it as YaoPin.base.XML): corrections reach the user, their own
    # texts stay. What the merge did is shown at the program's next start.
    local data=$appdir/YaoPin.XML base=$appdir/YaoPin.base.XML old_sum="" new_base=1
    [ -f "$manifest" ] && old_sum=$(sed -n 's/^data //p' "$manifest")
    if [ -f "$data" ] && [ -e "$data.journal" ]; then
        # A running program, or edits a crash left for the next start to replay: a merged or
        # new file would no longer be the one the journal belongs to.
        echo "Keeping your data file $data as it is: the program is running, or has edits to" \
            "replay from $data.journal. Start and close Tervana, then update again."
        shipped_sum=$old_sum
        new_base=0
    elif [ ! -f "$data" ] || [ "$(sha256sum <"$data" | cut -d' ' -f1)" = "$old_sum" ]; then
        install -m 644 "$from/YaoPin.XML" "$data.new"
        mv -f "$data.new" "$data"
    elif [ -f "$base" ] && cmp -s "$base" "$from/YaoPin.XML"; then
        echo "Keeping your edited data file $data (the data of this release is the same)."
    elif [ -f "$base" ] && "$appdir/tervana-data" merge "$base" "$data" "$from/YaoPin.XML" \
        -o "$data.merged" >"$appdir/.update-report.new" 2>"$appdir/.update-errors"; then
        chmod 644 "$data.merged"
        mv -f "$data.merged" "$data"
        mv -f "$appdir/.update-report.new" "$appdir/.update-report"
        rm -f "$appdir/.update-errors"
        echo "Your edited data file was brought up to date:"
        sed 's/^/  /' "$appdir/.update-report"
    else
        if [ -f "$base" ]; then
            echo "Keeping your edited data file $data as it is: it could not be merged with" \
                "the new release ($(head -n 1 "$appdir/.update-errors" 2>/dev/null))."
        else
            echo "Keeping your edited data file $data as it is: the release it came from is" \
                "not known, so the new release's corrections could not be merged into it."
        fi
        rm -f "$data.merged" "$appdir/.update-report.new" "$appdir/.update-errors"
        shipped_sum=$old_sum
        new_base=0
    fi
    if ((new_base)); then
        install -m 644 "$from/YaoPin.XML" "$base.new"
        mv -f "$base.new" "$base"
    fi
    [ -f "$base" ] && echo "file $base" >>"$list"

    install -m 755 "$here/tervana-launcher.sh" "$bindir/tervana"
    echo "file $bindir/tervana" >>"$list"

    local desktop=$data_home/applications/tervana.desktop
    # The menu runs the launcher by its full path: ~/.local/bin is not on every session's PATH.
    sed -e "s|^Exec=.*|Exec=$bindir/tervana|" -e "s|^TryExec=.*|TryExec=$bindir/tervana|" \
        "$here/tervana.desktop" >"$desktop"
    chmod 644 "$desktop"
    echo "file $desktop" >>"$list"

    local size target
    for size in "${icon_sizes[@]}"; do
        target=$data_home/icons/hicolor/${size}x$size/apps/tervana.png
        mkdir -p "$(dirname "$target")"
        install -m 644 "$here/icons/tervana-$size.png" "$target"
        echo "file $target" >>"$list"
    done

    echo "data $shipped_sum" >>"$list"
    mv -f "$list" "$manifest"
    refresh_caches
    echo "Tervana installed in $appdir; start it from the menu or with: $bindir/tervana"
    case ":$PATH:" in
    *":$bindir:"*) ;;
    *) echo "Note: $bindir is not on your PATH; add it to start Tervana by its name." ;;
    esac
}

if [ "$mode" = uninstall ]; then
    uninstall
else
    install_files
fi
