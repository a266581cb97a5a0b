#!/usr/bin/env bash
# Generates an ns-2 AODV trace with bench/scenario.tcl into bench/data/ and
# prints its path on the last line. A trace that is already there is kept;
# TRACE.info beside it records how long ns-2 took.
#
#   bench/make-trace.sh DURATION [FLOWS] [NODES] [INTERVAL] [SEED] [old|new|tagged] [ENERGY] [NAME=VALUE]...
#
# With 50 nodes, 300 s and 20 flows give about 230 MB (2.2 M lines);
# 900 s and 16 flows about 600 MB. The new trace format writes the same run
# in about 2.4 times the bytes, the tagged one in about 2.6 times. ENERGY
# above 0 gives the nodes an energy model; NAME=VALUE words go to
# scenario.tcl as they are (routerTrace=OFF, routing=DSR, ...) and into the
# trace's name.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 DURATION [FLOWS] [NODES] [INTERVAL] [SEED] [old|new|tagged] [ENERGY] [NAME=VALUE]..." >&2
    exit 2
fi
duration=$1
flows=${2:-20}
nodes=${3:-50}
interval=${4:-0.25}
seed=${5:-7}
format=${6:-old}
energy=${7:-0}
settings=("${@:8}")
case $format in
    old) suffix="" ;;
    new) suffix="-new" ;;
    tagged) suffix="-tagged" ;;
    *) echo "$0: format must be old, new or tagged" >&2; exit 2 ;;
esac
[ "$energy" = 0 ] || suffix="-e${energy}${suffix}"
for s in "${settings[@]}"; do suffix="$suffix-${s//=/-}"; done

here=$(cd "$(dirname "$0")" && pwd)
data="$here/data"
mkdir -p "$data"
trace="$data/aodv-${nodes}n-${duration}s-${flows}f-${interval}i-s${seed}${suffix}.tr"

if [ -s "$trace" ]; then
    echo "$trace"
    exit 0
fi

if ! command -v ns >/dev/null; then
    bash "$here/../scripts/install-missing.sh" ns2
fi

# Written under a temporary name so that an interrupted run is never taken
# for a finished trace.
tmp="$trace.part"
rm -f "$tmp"
trap 'rm -f "$tmp"' EXIT
echo "generating $(basename "$trace") with ns-2 ..." >&2
start=$(date +%s.%N)
(cd "$data" && ns "$here/scenario.tcl" "$tmp" "$duration" "$nodes" "$flows" "$interval" "$seed" "$format" "$energy" "${settings[@]}" \
    >"$tmp.log" 2>&1) || {
    cat "$tmp.log" >&2
    rm -f "$tmp.log"
    exit 1
}
rm -f "$tmp.log"
end=$(date +%s.%N)
mv "$tmp" "$trace"
trap - EXIT
size=$(stat -c %s "$trace")
lines=$(wc -l <"$trace")
# Kept beside the trace, so that later runs can still tell what it cost.
awk -v s="$start" -v e="$end" -v b="$size" -v l="$lines" 'BEGIN {
    printf "ns-2 took %.1f s for %.1f MB, %d lines\n", e - s, b / 1e6, l
}' | tee "$trace.info" >&2
echo "$trace"
