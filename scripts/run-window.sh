#!/usr/bin/env bash
# Starts the window; a first start gets a small real trace beside it.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session or under xvfb-run." >&2
    exit 1
fi
[ -e "$bin/ns.tr" ] || install -m 0644 "$here/tests/data/dsr-10n-40s.tr" "$bin/ns.tr"
exec "$bin/Kavro"
