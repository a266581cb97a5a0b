#!/usr/bin/env bash
# Times kavro-convert against the awk reference converter and `wc -l` on large
# ns-2 traces, in one run, and checks that both converters write the same
# bytes; then a trace whose router was not traced, a gzipped trace against
# `gzip -dc`, the study's tables and series against the event file alone,
# traces made to defeat a hash or a flat list, a batch of four traces
# with -j 2 against -j 1, and the figures of a study of 100 traces.
#
#   bash bench/run-bench.sh [BUILD_DIR]
#
# Environment:
#   ROUNDS=5            timed rounds on the ~230 MB and ~300 MB traces
#   BIG_ROUNDS=3        timed rounds on the ~600 MB trace
#   PLOT_ROUNDS=3       timed rounds of the study of 100 traces with figures
#   KAVRO_BENCH_BIG=0   skip the ~600 MB trace (ns-2 needs about 30 s for it)
#   KAVRO_BENCH_NEW=0   skip the ~300 MB new-format and ~350 MB tagged traces
#                       and their old-format twin
#   AWK=awk             the awk to compare against
#
# The commands take turns within each round (warm page cache, order rotated
# every round); the figures are medians over the rounds. Exits 1 when the
# outputs differ; missed speed goals are reported, not failed, since the
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
kavro="$build/bin/kavro-convert"
if [ ! -x "$kavro" ]; then
    echo "run-bench: no $kavro (build it first)" >&2
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
        kavro) cmd=("$kavro" -q -o "$work/kavro.out" "$2"); out=/dev/null ;;
        awk)   cmd=(env LC_ALL=C "$awk_cmd" -f "$here/convert.awk" "$2"); out="$work/awk.out" ;;
        wc)    cmd=(wc -l "$2"); out=/dev/null ;;
        gzip)  cmd=(gzip -dc "$2"); out=/dev/null ;;
        j1)    cmd=("$kavro" -q -j 1 "$work"/batch/*.tr); out=/dev/null ;;
        j2)    cmd=("$kavro" -q -j 2 "$work"/batch/*.tr); out=/dev/null ;;
        tables) cmd=("$kavro" -q -o "$work/tables.out" --csv "$work/t.csv" --flows "$work/f.csv"
                     --nodes "$work/n.csv" --drops "$work/d.csv" "$2"); out=/dev/null ;;
        summary) cmd=("$kavro" -q --no-events --summary "$work/s100.csv" --group '(g[0-9])/'
                      "$work"/study100/g*/*.tr); out=/dev/null ;;
        plots) cmd=("$kavro" -q --no-events --summary "$work/s100.csv" --group '(g[0-9])/'
                    --plots "$work/plots" "$work"/study100/g*/*.tr); out=/dev/null ;;
        study) cmd=("$kavro" -q -o "$work/study.out" --csv "$work/t.csv" --flows "$work/f.csv"
                    --nodes "$work/n.csv" --drops "$work/d.csv" --series "$work/s.csv" --flow-series "$work/fs.csv"
                    --node-series "$work/ns.csv" --packets "$work/p.csv" --summary "$work/sum.csv" "$2"); out=/dev/null ;;
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

# Whether two event files hold the same lines but for the times' last
# digits: the old format rounds times to nine decimals, the tagged one
# prints up to 15 significant digits.
same_but_times() {
    paste -d '\n' "$1" "$2" | tr -d '\r' | awk '
        NR % 2 == 1 { a = $0; next }
        {
            n = split(a, x, " "); m = split($0, y, " ")
            d = x[2] - y[2]
            if (n != m || d > 1e-9 || d < -1e-9) exit 1
            for (i = 1; i <= n; i++) if (i != 2 && x[i] != y[i]) exit 1
        }' && [ "$(wc -l <"$1")" = "$(wc -l <"$2")" ]
}

# bench LABEL TRACE ROUNDS MEMGOAL_MB WCGOAL AWKGOAL [TWIN]
# AWKGOAL "-" for none. TWIN is the same ns-2 run written in the old trace
# format; both must convert to the same lines (times to their last digit
# for a tagged trace).
bench() {
    local label=$1 trace=$2 n=$3 memgoal=$4 wcgoal=$5 awkgoal=$6 twin=${7:-}
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
    printf '  kavro        median %.3f s   (runs: %s)\n' "$k" "$(runs kavro)"
    printf '  awk          median %.3f s   (runs: %s)\n' "$a" "$(runs awk)"
    printf '  wc -l        median %.3f s   (runs: %s)\n' "$w" "$(runs wc)"
    echo "  kavro: $("$kavro" -o "$work/kavro.out" "$trace" 2>&1)"

    awk -v k="$k" -v a="$a" -v w="$w" -v km="$kmem" -v am="$amem" -v mg="$memgoal" \
        -v wg="$wcgoal" -v ag="$awkgoal" 'BEGIN {
        ak = a / k; kw = k / w; mb = km / 1024
        if (ag == "-") printf("  awk / kavro  %6.1f x\n", ak)
        else printf("  awk / kavro  %6.1f x   (goal >= %s)  %s\n", ak, ag, (ak >= ag + 0 ? "met" : "NOT MET"))
        printf("  kavro / wc   %6.2f x   (goal <= %s)  %s\n", kw, wg, (kw <= wg + 0 ? "met" : "NOT MET"))
        printf("  peak memory  kavro %.1f MB (goal < %d MB) %s, awk %.1f MB\n",
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
        /usr/bin/time -f %M -o "$work/twin.kb" "$kavro" -q -o "$work/twin.out" "$twin"
        printf '  twin         %s: peak memory %.1f MB\n' "$(basename "$twin")" \
            "$(awk '{ print $1 / 1024 }' "$work/twin.kb")"
        if cmp -s "$work/kavro.out" "$work/twin.out"; then
            echo "  twin output  identical to this trace's"
        elif [[ $trace == *-tagged.tr ]] && same_but_times "$work/kavro.out" "$work/twin.out"; then
            echo "  twin output  the same lines, times within 1e-9 s"
        else
            echo "  twin output  DIFFERS: $(cmp "$work/kavro.out" "$work/twin.out" 2>&1 | head -n 1)"
            status=1
        fi
    fi
}

status=0
echo "kavro: $kavro"
echo "awk: $awk_path ($awk_version), run with LC_ALL=C"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"

# Scenario parameters picked so that the traces land near 230 MB and 600 MB,
# and one run near 300 MB in the new trace format (125 MB in the old one).
small=$(bash "$here/make-trace.sh" 300 20 | tail -n 1)
bench "~230 MB" "$small" "$rounds" 100 1.5 12
if [ "$big" != 0 ]; then
    large=$(bash "$here/make-trace.sh" 900 16 | tail -n 1)
    bench "~600 MB" "$large" "$big_rounds" 200 3 12
fi
if [ "$new" != 0 ]; then
    newfmt=$(bash "$here/make-trace.sh" 160 20 50 0.25 7 new | tail -n 1)
    oldfmt=$(bash "$here/make-trace.sh" 160 20 50 0.25 7 old | tail -n 1)
    bench "~300 MB new-format" "$newfmt" "$rounds" 100 3 - "$oldfmt"
    taggedfmt=$(bash "$here/make-trace.sh" 160 20 50 0.25 7 tagged | tail -n 1)
    bench "~350 MB tagged" "$taggedfmt" "$rounds" 100 3 - "$oldfmt"
fi

# turns NAME... ROUNDS TRACE: timed runs of the commands in rotating order.
turns() {
    local trace=${*: -1} n=${*: -2:1} names=("${@:1:$#-2}") r i
    for ((r = 0; r < n; r++)); do
        for ((i = 0; i < ${#names[@]}; i++)); do
            run "${names[(r + i) % ${#names[@]}]}" "$trace"
        done
    done
}

# The same run with its router's lines off: the relays come from the MAC
# lines, which costs more than reading the router's.
nortr=$(bash "$here/make-trace.sh" 300 20 50 0.25 7 old 0 routerTrace=OFF | tail -n 1)
rm -f "$work"/*.secs
echo
echo "== router not traced: $(basename "$nortr"), $(awk -v b="$(stat -c %s "$nortr")" 'BEGIN { printf "%.1f", b / 1e6 }') MB, $rounds rounds"
cat "$nortr" >/dev/null
turns kavro wc "$rounds" "$nortr"
km=$(median <"$work/kavro.secs")
wm=$(median <"$work/wc.secs")
rm -f "$work"/*.secs
turns kavro wc "$rounds" "$small"
kr=$(median <"$work/kavro.secs")
wr=$(median <"$work/wc.secs")
printf '  kavro        median %.3f s, wc -l %.3f s; the routed trace: kavro %.3f s, wc -l %.3f s\n' "$km" "$wm" "$kr" "$wr"
awk -v km="$km" -v wm="$wm" -v kr="$kr" -v wr="$wr" 'BEGIN {
    printf("  kavro / wc   %6.2f x here, %.2f x on the routed trace (no goal: MAC lines may cost more)\n", km / wm, kr / wr)
}'
"$kavro" -q -o "$work/mac.out" "$nortr"
"$kavro" -q -o "$work/routed.out" "$small"
# The same paths, line by line, but for the relays' times, which are the
# MAC receives' and come before the forwards.
if paste -d '\n' "$work/routed.out" "$work/mac.out" | tr -d '\r' | awk '
        NR % 2 == 1 { a = $0; next }
        { n = split(a, x, " "); m = split($0, y, " "); if (n != m) exit 1
          for (i = 1; i <= n; i++) if (i != 2 && x[i] != y[i]) exit 1
          if (x[6] != "forwarding" && x[2] != y[2]) exit 1
          if (x[6] == "forwarding" && x[2] < y[2]) exit 1 }' &&
    [ "$(wc -l <"$work/routed.out")" = "$(wc -l <"$work/mac.out")" ]; then
    echo "  output       the routed trace's paths, relays at their MAC receives"
else
    echo "  output       DIFFERS from the routed trace's paths"
    status=1
fi

# A gzipped trace: inflating is the floor.
gz="$small.gz"
[ -s "$gz" ] || { echo "compressing $(basename "$small") ..." >&2; gzip -c "$small" >"$gz.part" && mv "$gz.part" "$gz"; }
rm -f "$work"/*.secs
echo
echo "== gzipped ~230 MB trace: $(basename "$gz"), $(awk -v b="$(stat -c %s "$gz")" 'BEGIN { printf "%.1f", b / 1e6 }') MB, $rounds rounds"
measure kavro "$gz"
turns kavro gzip "$rounds" "$gz"
k=$(median <"$work/kavro.secs")
g=$(median <"$work/gzip.secs")
printf '  kavro        median %.3f s   (runs: %s)\n' "$k" "$(runs kavro)"
printf '  gzip -dc     median %.3f s   (runs: %s)\n' "$g" "$(runs gzip)"
awk -v k="$k" -v g="$g" -v km="$(cat "$work/kavro.kb")" 'BEGIN {
    printf("  kavro / gzip %6.2f x   (goal <= 1.3)  %s\n", k / g, (k / g <= 1.3 ? "met" : "NOT MET"))
    printf("  peak memory  kavro %.1f MB\n", km / 1024)
}'
"$kavro" -q -o "$work/plain.out" "$small"
if cmp -s "$work/kavro.out" "$work/plain.out"; then
    echo "  output       identical to the plain trace's"
else
    echo "  output       DIFFERS from the plain trace's"
    status=1
fi

# against_events NAME WHAT TITLE: NAME's run beside the event file against
# the event file alone, in time and peak memory.
against_events() {
    local name=$1 what=$2 k t
    rm -f "$work"/*.secs
    echo
    echo "== $3 on the ~230 MB trace, $rounds rounds"
    measure kavro "$small"
    measure "$name" "$small"
    turns kavro "$name" "$rounds" "$small"
    k=$(median <"$work/kavro.secs")
    t=$(median <"$work/$name.secs")
    printf '  events only  median %.3f s   (runs: %s)\n' "$k" "$(runs kavro)"
    printf '  %-12s median %.3f s   (runs: %s)\n' "$what" "$t" "$(runs "$name")"
    awk -v n="$name" -v k="$k" -v t="$t" -v km="$(cat "$work/kavro.kb")" -v tm="$(cat "$work/$name.kb")" 'BEGIN {
        printf("  %s / events time    %5.2f x   (goal <= 2)  %s\n", n, t / k, (t / k <= 2 ? "met" : "NOT MET"))
        printf("  %s / events memory  %5.2f x   (goal <= 2)  %s   (%.1f MB against %.1f MB)\n",
            n, tm / km, (tm / km <= 2 ? "met" : "NOT MET"), tm / 1024, km / 1024)
    }'
}

# All four study tables beside the event file.
against_events tables "four tables" "study tables"
if cmp -s "$work/kavro.out" "$work/tables.out"; then
    echo "  event file   identical with the tables and without"
else
    echo "  event file   DIFFERS with the tables"
    status=1
fi

# Everything the study writes at once.
against_events study "whole study" "the whole study (tables, series, packets, summary)"

# Traces made to be slow: packet ids that were never sent but would fall
# into the slots of the sent ones, and 100,000 packet types and drop
# reasons, each against a plain trace of the same size.
awk 'BEGIN {
    for (i = 0; i < 100000; i++) printf "s 1.0 _1_ AGT  --- %d cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n", i
    for (i = 0; i < 100000; i++) printf "r 2.0 _2_ AGT  --- %d cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n", i + 262144
}' >"$work/crafted-ids.tr"
awk 'BEGIN {
    for (i = 0; i < 100000; i++) printf "s 1.0 _1_ AGT  --- %d cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n", i
    for (i = 0; i < 100000; i++) printf "r 2.0 _2_ AGT  --- %d cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n", i
}' >"$work/plain-ids.tr"
awk 'BEGIN {
    print "s 1.0 _1_ AGT  --- 1 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0"
    for (i = 0; i < 100000; i++) printf "s 1.0 _1_ RTR  --- %d T%d 512 [0 0 0 0]\n", i, i
    for (i = 0; i < 100000; i++) printf "D 1.0 _1_ IFQ  R%d %d X%d 512 [0 0 0 0]\n", i, i, i
}' >"$work/many-types.tr"
awk 'BEGIN {
    print "s 1.0 _1_ AGT  --- 1 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0"
    for (i = 0; i < 100000; i++) printf "s 1.0 _1_ RTR  --- %d T%06d 512 [0 0 0 0]\n", i, 1
    for (i = 0; i < 100000; i++) printf "D 1.0 _1_ IFQ  R%06d %d X%06d 512 [0 0 0 0]\n", 1, i, 1
}' >"$work/few-types.tr"
echo
echo "== traces made to be slow, $rounds rounds each"
for pair in "crafted-ids plain-ids" "many-types few-types"; do
    set -- $pair
    rm -f "$work"/*.secs
    for ((r = 0; r < rounds; r++)); do
        for t in "$1" "$2"; do
            t0=$EPOCHREALTIME
            "$kavro" -q --csv "$work/x.csv" --drops "$work/y.csv" -o "$work/x.out" "$work/$t.tr" 2>/dev/null || true
            t1=$EPOCHREALTIME
            awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$t.secs"
        done
    done
    a=$(median <"$work/$1.secs")
    b=$(median <"$work/$2.secs")
    awk -v n1="$1" -v n2="$2" -v a="$a" -v b="$b" 'BEGIN {
        printf("  %-12s %.3f s against %-10s %.3f s: %5.2f x (goal: near 1)\n", n1, a, n2, b, a / b)
    }'
done

# Four traces at once: two cores should nearly halve the wall time.
mkdir -p "$work/batch"
for i in 1 2 3 4; do ln -sf "$small" "$work/batch/run$i.tr"; done
rm -f "$work"/*.secs
echo
echo "== four ~230 MB traces, $rounds rounds"
turns j1 j2 "$rounds" "$small"
j1=$(median <"$work/j1.secs")
j2=$(median <"$work/j2.secs")
printf '  -j 1         median %.3f s   (runs: %s)\n' "$j1" "$(runs j1)"
printf '  -j 2         median %.3f s   (runs: %s)\n' "$j2" "$(runs j2)"
awk -v a="$j1" -v b="$j2" 'BEGIN {
    printf("  -j 2 / -j 1  %6.2f x   (goal <= 0.6)  %s\n", b / a, (b / a <= 0.6 ? "met" : "NOT MET"))
}'
for i in 2 3 4; do
    cmp -s "$work/batch/run1.iNSpect.out" "$work/batch/run$i.iNSpect.out" || { echo "  batch outputs DIFFER"; status=1; }
done

# A study of 100 traces in 5 groups, the project's real test traces over
# again: its figures against its summary alone, so that what is left is
# gnuplot's share.
echo
if command -v gnuplot >/dev/null; then
    traces=("$here"/../tests/data/aodv-10n-40s-b.tr "$here"/../tests/data/aodv-10n-40s-c.tr
            "$here"/../tests/data/dsr-10n-40s.tr "$here"/../tests/data/aodv-10n-30s-e100.tr
            "$here"/../tests/data/dsr-tcp-6n-15s.tr)
    for g in 1 2 3 4 5; do
        mkdir -p "$work/study100/g$g"
        for r in $(seq 1 20); do ln -sf "$(readlink -f "${traces[(g + r) % 5]}")" "$work/study100/g$g/run$r.tr"; done
    done
    plot_rounds=${PLOT_ROUNDS:-3}
    rm -f "$work"/*.secs
    mb=$(find -L "$work/study100" -type f -printf '%s\n' | awk '{ b += $1 } END { printf "%.0f", b / 1e6 }')
    echo "== the figures of a study of 100 traces ($mb MB), $plot_rounds rounds"
    turns summary plots "$plot_rounds" -
    sum=$(median <"$work/summary.secs")
    plots=$(median <"$work/plots.secs")
    figures=$(find "$work/plots" -name '*.svg' | wc -l)
    printf '  summary only     median %.3f s   (runs: %s)\n' "$sum" "$(runs summary)"
    printf '  with --plots     median %.3f s   (runs: %s), %d figures in svg and pdf\n' "$plots" "$(runs plots)" "$figures"
    awk -v a="$sum" -v b="$plots" 'BEGIN { printf("  gnuplot takes    %.0f %% of the time with --plots\n", 100 * (b - a) / b) }'
else
    echo "== the figures of a study: skipped, no gnuplot"
fi
exit $status
