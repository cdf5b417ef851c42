#!/usr/bin/env bash
# The layer check catches what it is there for: in a copy of the sources, an upward include,
# a sideways one, an include without its module and a toolkit header in a toolkit-free module
# are each reported, and the untouched copy passes.
set -euo pipefail
source_dir=${1:?usage: planted.sh SOURCE_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp -r "$source_dir/src" "$source_dir/companion" "$source_dir/tools" "$work/"
cp "$source_dir/scripts/check_layers.py" "$work/scripts/"
check() { python3 "$work/scripts/check_layers.py" "$work"; }

check >"$work/out" || { echo "the untouched sources fail the check:"; cat "$work/out"; exit 1; }

plant() { # FILE LINE EXPECTED: the check must now fail and say EXPECTED
    local file=$work/$1 saved
    saved=$(cat "$file")
    printf '%s\n' "$2" >>"$file"
    if check >"$work/out"; then
        echo "not caught: $2 in $1"
        exit 1
    fi
    grep -qF "$3" "$work/out" || { echo "for $2 in $1 the check said:"; cat "$work/out"; exit 1; }
    printf '%s\n' "$saved" >"$file"
}
plant src/data/Field.cpp '#include "forms/main/Main.h"' "data includes forms (upward)"
plant src/editors/DBText.cpp '#include "grid/cxGrid.h"' "editors includes grid (sideways)"
plant src/grid/cxGrid.cpp '#include "Field.h"' '"Field.h" names no module'
plant src/criteria/Variant.cpp '#include <QString>' "<QString> in criteria"
plant tools/tervana-data/Query.cpp '#include "platformui/GbkQt.h"' "tools includes platformui (sideways)"
plant companion/Tolvane.cpp '#include "data/Field.h"' "companion includes data (upward)"
check >"$work/out" || { echo "restoring the files did not restore the check:"; cat "$work/out"; exit 1; }
echo "every planted include was caught"
