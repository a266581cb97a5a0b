#!/usr/bin/env bash
# What make run and make test ask of CMake, in a scratch copy of the Makefile
# with cmake, ctest and the scripts replaced by ones that only log.
set -euo pipefail
makefile=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/scripts"
cp "$makefile" "$scratch/Makefile"
for tool in bin/cmake bin/ctest scripts/install-missing.sh scripts/run-window.sh; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/log"\n' "${tool##*/}" "$scratch" >"$scratch/$tool"
    chmod +x "$scratch/$tool"
done
failed=0
check() {  # TARGET EXPECTED: the calls logged, install-missing.sh's packages left out
    rm -f "$scratch/log"
    PATH="$scratch/bin:$PATH" make -s -C "$scratch" JOBS=2 "$1" >/dev/null
    local got
    got=$(sed -E 's/^(install-missing.sh) .*/\1/' "$scratch/log")
    [ "$got" = "$2" ] || { printf 'FAIL make %s:\n%s\nexpected:\n%s\n' "$1" "$got" "$2"; failed=1; }
}
check run "install-missing.sh
cmake --preset release
cmake --build --preset release --target Kavro -j 2
run-window.sh build/bin"
check test "install-missing.sh
cmake --preset release
cmake --build --preset release -j 2
ctest --preset release -j 2"
exit $failed
