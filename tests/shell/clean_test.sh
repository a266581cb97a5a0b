#!/usr/bin/env bash
# make clean in a scratch copy of the Makefile: what the builds made goes, a
# user's ns.tr and iNSpect.out beside the window stay as they were.
set -euo pipefail
makefile=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# case NAME MADE LEFT: files made before make clean, then every path left.
case_() {
    local tree="$scratch/$1"
    mkdir -p "$tree"
    cp "$makefile" "$tree/Makefile"
    for f in $2; do
        mkdir -p "$tree/$(dirname "$f")"
        echo "$f" >"$tree/$f"
    done
    make -s -C "$tree" clean
    local left
    left=$(cd "$tree" && find . -mindepth 1 ! -name Makefile | sed 's|^\./||' | sort | xargs)
    for f in $left; do
        [ -d "$tree/$f" ] || [ "$(cat "$tree/$f")" = "$f" ] || left+=" ($f changed)"
    done
    if [ "$left" != "$3" ]; then
        echo "FAIL $1: left '$left', expected '$3'"
        failed=1
    fi
}

case_ user-files-stay \
    "build/bin/ns.tr build/bin/iNSpect.out build/bin/Kavro build/CMakeCache.txt
     build/tests/window/window_tests build-asan/bin/ns.tr build-asan/bin/Kavro build-fuzz/corpus/1" \
    "build build-asan build-asan/bin build-asan/bin/ns.tr build/bin build/bin/iNSpect.out build/bin/ns.tr"
case_ builds-go-whole \
    "build/bin/Kavro build/bin/kavro-convert build/CMakeCache.txt build-fuzz/corpus/1" ""
case_ nothing-built "" ""
exit $failed
