#!/usr/bin/env bash
# Runs a command against an X server of its own, so that no display is
# needed from the environment; -displayfd picks a free display number.
set -euo pipefail
dir=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 200); do
    grep -q . "$dir/display" && break
    kill -0 $xvfb 2>/dev/null || { cat "$dir/log" >&2; exit 1; }
    sleep 0.05
done
grep -q . "$dir/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"
"$@"
