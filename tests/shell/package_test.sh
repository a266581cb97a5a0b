#!/usr/bin/env bash
# What make install and make package ship: an install under DESTDIR and
# PREFIX, and the Debian package, unpacked with dpkg-deb, whose program
# converts a real trace as the built one does and on which lintian finds no
# error or warning.
set -euo pipefail
build=$1 trace=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
shipped="bin/kavro-convert share/man/man1/kavro-convert.1.gz share/doc/kavro-convert/copyright
         share/bash-completion/completions/kavro-convert"

DESTDIR="$scratch/dest" cmake --install "$build" --prefix /opt/kavro >/dev/null
for f in $shipped share/zsh/site-functions/_kavro-convert; do
    [ -f "$scratch/dest/opt/kavro/$f" ] || fail "install: no $f under DESTDIR and PREFIX"
done

cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >/dev/null
deb=$(echo "$scratch"/package/*.deb)
dpkg-deb -x "$deb" "$scratch/root"
for f in $shipped share/zsh/vendor-completions/_kavro-convert; do
    [ -f "$scratch/root/usr/$f" ] || fail "package: no /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* && $depends == *zlib1g* ]] || fail "package: Depends reads '$depends'"

cp "$trace" "$scratch/run.tr"
"$scratch/root/usr/bin/kavro-convert" "$scratch/run.tr" 2>"$scratch/packaged.txt" ||
    fail "package: kavro-convert failed: $(cat "$scratch/packaged.txt")"
"$build/bin/kavro-convert" -o "$scratch/built.out" "$scratch/run.tr" 2>"$scratch/built.txt"
[ -s "$scratch/built.out" ] || fail "the built kavro-convert wrote no events"
cmp -s "$scratch/run.iNSpect.out" "$scratch/built.out" || fail "package: other events than the build's"
cmp -s "$scratch/packaged.txt" "$scratch/built.txt" || fail "package: other summary than the build's"

errors=$(lintian "$deb" 2>/dev/null | grep -E '^[EW]:' || true)
[ -z "$errors" ] || fail "lintian: $errors"
exit $failed
