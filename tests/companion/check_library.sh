#!/usr/bin/env bash
# The companion library exports exactly its two functions, and the program refuses to start
# without it (the loader stops it before any of its code runs).
set -u
library=$1
program=$2
failed=0

exports=$(nm -D --defined-only "$library" | awk '$2 == "T" || $2 == "W" || $2 == "D" || $2 == "B" { print $3 }' | sort | tr '\n' ' ')
if [ "$exports" != "NowVer OKSize " ]; then
    echo "libTolvane.so exports: $exports"
    failed=1
fi

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$program" "$folder/tervana"
output=$(QT_QPA_PLATFORM=offscreen timeout 10 "$folder/tervana" 2>&1)
status=$?
if [ $status -ne 127 ] || ! grep -q "libTolvane.so: cannot open shared object file" <<<"$output"; then
    echo "without the library the program gave status $status: $output"
    failed=1
fi
exit $failed
