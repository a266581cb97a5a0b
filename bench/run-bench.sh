#!/usr/bin/env bash
# Times kavro-bench against the awk reference converter and `wc -l` on large
# ns-2 traces, in one run, and checks that both converters write the same bytes.
#
#   bash bench/run-bench.sh [BUILD_DIR]
#
# Environment:
#   ROUNDS=5            timed rounds on the ~230 MB trace
#   BIG_ROUNDS=3        timed rounds on the ~600 MB trace
#   KAVRO_BENCH_BIG=0   skip the ~600 MB trace (ns-2 needs about 30 s for it)
#   KAVRO_BENCH_NEW=0   skip the ~300 MB new-format trace and its old-format twin
#   AWK=awk             the awk to compare against
#
# The three commands take turns within each round (warm page cache, order
# rotated every round); the figures are medians over the rounds. Exits 1 when
# the outputs differ; missed speed goals are reported, not failed, since the
# machine is shared and noisy. bench/crosscheck.py compares the two converters
# on many small, bent traces as well.
set -euo pipefail

build=${1:-build}
rounds=${ROUNDS:-5}
big_rounds=${BIG_ROUNDS:-3}
big=${KAVRO_BENCH_BIG:-1}
new=${KAVRO_BENCH_NEW:-1}
awk_cmd=${AWK:-awk}

here=$(cd "$(dirname "$0")" && pwd)
kavro=""
for c in "$build/bench/kavro-bench" "$build/bin/kavro-bench"; do
    if [ -x "$c" ]; then kavro=$c; break; fi
done
if [ -z "$kavro" ]; then
    echo "run-bench: no kavro-bench under $build (build it first)" >&2
    exit 2
fi
[ -x /usr/bin/time ] || bash "$here/../scripts/install-missing.sh" time

awk_path=$(readlink -f "$(command -v "$awk_cmd")")
awk_version=$("$awk_cmd" -W version 2>/dev/null | head -n 1 || true)
[ -n "$awk_version" ] || awk_version=$("$awk_cmd" --version 2>/dev/null | head -n 1 || true)

work=$(mktemp -d "${TMPDIR:-/tmp}/kavro-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Median of the numbers on stdin.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "nan"; exit }
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2
    }'
}

# The timed runs of NAME, in order.
runs() {
    awk '{ printf("%s%.3f", (NR > 1 ? " " : ""), $1) }' "$work/$1.secs"
}

# command NAME TRACE: sets cmd and out for one run of NAME.
command_for() {
    case $1 in
        kavro) cmd=("$kavro" "$2" "$work/kavro.out"); out=/dev/null ;;
        awk)   cmd=(env LC_ALL=C "$awk_cmd" -f "$here/convert.awk" "$2"); out="$work/awk.out" ;;
        wc)    cmd=(wc -l "$2"); out=/dev/null ;;
    esac
}

# run NAME TRACE: one timed run; appends its wall seconds to NAME.secs.
run() {
    local t0 t1 out
    local -a cmd
    command_for "$1" "$2"
    t0=$EPOCHREALTIME
    "${cmd[@]}" >"$out"
    t1=$EPOCHREALTIME
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$1.secs"
}

# measure NAME TRACE: one untimed run under /usr/bin/time; writes peak KB to NAME.kb.
measure() {
    local out
    local -a cmd
    command_for "$1" "$2"
    /usr/bin/time -f %M -o "$work/$1.kb" "${cmd[@]}" >"$out"
}

# bench LABEL TRACE ROUNDS MEMGOAL_MB [TWIN]
# TWIN is the same ns-2 run written in the other trace format; both must
# convert to the same bytes.
bench() {
    local label=$1 trace=$2 n=$3 memgoal=$4 twin=${5:-}
    local size lines
    size=$(stat -c %s "$trace")
    lines=$(wc -l <"$trace")
    rm -f "$work"/*.secs "$work"/*.kb
    echo
    echo "== $label trace: $(basename "$trace"), $(awk -v b="$size" 'BEGIN { printf "%.1f", b / 1e6 }') MB, $lines lines, $n rounds"
    [ -f "$trace.info" ] && echo "  $(cat "$trace.info")"

    cat "$trace" >/dev/null
    # One untimed turn each, which also finds the peak memory, so that every
    # timed run meets a warm cache.
    for name in kavro awk wc; do measure "$name" "$trace"; done

    local order=(kavro awk wc) r i
    for ((r = 0; r < n; r++)); do
        for ((i = 0; i < 3; i++)); do run "${order[(r + i) % 3]}" "$trace"; done
    done

    local k a w kmem amem
    k=$(median <"$work/kavro.secs")
    a=$(median <"$work/awk.secs")
    w=$(median <"$work/wc.secs")
    kmem=$(cat "$work/kavro.kb")
    amem=$(cat "$work/awk.kb")
    printf '  kavro-bench  median %.3f s   (runs: %s)\n' "$k" "$(runs kavro)"
    printf '  awk          median %.3f s   (runs: %s)\n' "$a" "$(runs awk)"
    printf '  wc -l        median %.3f s   (runs: %s)\n' "$w" "$(runs wc)"
    echo "  kavro-bench: $(tail -n 1 <("$kavro" "$trace" "$work/kavro.out"))"

    awk -v k="$k" -v a="$a" -v w="$w" -v km="$kmem" -v am="$amem" -v mg="$memgoal" 'BEGIN {
        ak = a / k; kw = k / w; mb = km / 1024
        printf("  awk / kavro  %6.1f x   (goal >= 12)  %s\n", ak, (ak >= 12 ? "met" : "NOT MET"))
        printf("  kavro / wc   %6.2f x   (goal <= 3)   %s\n", kw, (kw <= 3 ? "met" : "NOT MET"))
        printf("  peak memory  kavro-bench %.1f MB (goal < %d MB) %s, awk %.1f MB\n",
            mb, mg, (mb < mg ? "met" : "NOT MET"), am / 1024)
    }'

    local events
    events=$(wc -l <"$work/kavro.out")
    if cmp -s "$work/kavro.out" "$work/awk.out"; then
        printf '  output       identical (%d event lines, %d bytes)\n' "$events" "$(stat -c %s "$work/kavro.out")"
    else
        echo "  output       DIFFERS: $(cmp "$work/kavro.out" "$work/awk.out" 2>&1 | head -n 1)"
        status=1
    fi
    if [ -n "$twin" ]; then
        /usr/bin/time -f %M -o "$work/twin.kb" "$kavro" "$twin" "$work/twin.out" >/dev/null
        printf '  twin         %s: peak memory %.1f MB\n' "$(basename "$twin")" \
            "$(awk '{ print $1 / 1024 }' "$work/twin.kb")"
        if cmp -s "$work/kavro.out" "$work/twin.out"; then
            echo "  twin output  identical to this trace's"
        else
            echo "  twin output  DIFFERS: $(cmp "$work/kavro.out" "$work/twin.out" 2>&1 | head -n 1)"
            status=1
        fi
    fi
}

status=0
echo "kavro-bench: $kavro"
echo "awk: $awk_path ($awk_version), run with LC_ALL=C"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"

# Scenario parameters picked so that the traces land near 230 MB and 600 MB,
# and one run near 300 MB in the new trace format (125 MB in the old one).
small=$(bash "$here/make-trace.sh" 300 20 | tail -n 1)
bench "~230 MB" "$small" "$rounds" 100
if [ "$big" != 0 ]; then
    large=$(bash "$here/make-trace.sh" 900 16 | tail -n 1)
    bench "~600 MB" "$large" "$big_rounds" 200
fi
if [ "$new" != 0 ]; then
    newfmt=$(bash "$here/make-trace.sh" 160 20 50 0.25 7 new | tail -n 1)
    oldfmt=$(bash "$here/make-trace.sh" 160 20 50 0.25 7 old | tail -n 1)
    bench "~300 MB new-format" "$newfmt" "$rounds" 100 "$oldfmt"
fi
exit $status
