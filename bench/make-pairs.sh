#!/usr/bin/env bash
# Runs bench/scenario.tcl twice per case, with the router's lines on and
# off and nothing else changed, for AODV, DSR and DSDV, UDP and TCP, in the
# old and the new trace format, and writes the gzipped pairs into FOLDER:
# ROUTING-TRAFFIC-FORMAT-rtr.tr.gz and ROUTING-TRAFFIC-FORMAT-mac.tr.gz.
# Without router tracing the paths are in the MAC lines only, so the two
# traces of a pair must convert to the same paths.
#
#   bench/make-pairs.sh FOLDER
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
command -v ns >/dev/null || bash "$here/../scripts/install-missing.sh" ns2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for routing in AODV DSR DSDV; do
    # DSDV's routes take its first periodic updates to settle.
    case $routing in
        DSDV) run="40 12 3 1.0 3" ;;
        *) run="15 12 3 0.5 4" ;;
    esac
    for traffic in udp tcp; do
        for format in old new; do
            for trace in ON OFF; do
                name=$routing-$traffic-$format-$([ $trace = ON ] && echo rtr || echo mac).tr
                # shellcheck disable=SC2086
                (cd "$work" && ns "$here/scenario.tcl" "$name" $run "$format" 0 \
                    routing=$routing traffic=$traffic routerTrace=$trace size=600 >ns.log 2>&1) ||
                    { cat "$work/ns.log" >&2; exit 1; }
                gzip -9n <"$work/$name" >"$out/$name.gz"
            done
        done
    done
done
