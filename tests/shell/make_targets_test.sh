#!/usr/bin/env bash
# What make run and make test ask of CMake, in a scratch copy of the Makefile
# whose cmake, ctest and scripts only log how they were called.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/scripts"
cp "$1" "$scratch/Makefile"
for tool in bin/cmake bin/ctest scripts/install-missing.sh scripts/run-window.sh; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/log"\n' "${tool##*/}" "$scratch" >"$scratch/$tool"
    chmod +x "$scratch/$tool"
done
failed=0
for target in run test; do
    rm -f "$scratch/log"
    PATH="$scratch/bin:$PATH" make -s -C "$scratch" JOBS=2 $target >/dev/null
    # install-missing.sh's packages left out
    got=$(sed -E 's/^(install-missing.sh) .*/\1/' "$scratch/log" | paste -sd'|')
    case $target in
        run) want="install-missing.sh|cmake --preset release|cmake --build --preset release --target Kavro -j 2|run-window.sh build/bin" ;;
        test) want="install-missing.sh|cmake --preset release|cmake --build --preset release -j 2|ctest --preset release -j 2" ;;
    esac
    [ "$got" = "$want" ] || { printf 'FAIL make %s:\n  got:      %s\n  expected: %s\n' $target "$got" "$want"; failed=1; }
done
exit $failed
