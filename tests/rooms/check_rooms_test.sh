#!/bin/sh
# The rooms check passes on the sources as they are, and fails, naming the
# file and line, on a copy with one include planted that goes up the order.
# Usage: check_rooms_test.sh SOURCE-DIR
set -eu
source=$1
check=$source/scripts/check-rooms
"$check" "$source/src" || { echo "FAIL: the sources include upward"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source/src" "$work/src"
printf '#include "app/main_window.h"\n' >>"$work/src/base/clock.h"
if out=$("$check" "$work/src"); then
    echo "FAIL: a planted upward include passed"
    exit 1
fi
case $out in
    *"src/base/clock.h:"*": base/ includes app/, above it"*) ;;
    *) echo "FAIL: the planted include was not named: $out"; exit 1 ;;
esac
printf '#include "nowhere/x.h"\n' >>"$work/src/link/link_manager.h"
"$check" "$work/src" | grep -q "link/link_manager.h:.*includes nowhere/" ||
    { echo "FAIL: an include into no room passed"; exit 1; }
echo "ok"
