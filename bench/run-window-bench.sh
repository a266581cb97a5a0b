#!/usr/bin/env bash
# Times the window, headless, with the fast pane and with a stock
# QPlainTextEdit, on a ~10 MB and a ~600 MB ns-2 trace, in one run, beside
# the floors `cat TRACE > /dev/null` and `wc -l TRACE`.
#
#   bash bench/run-window-bench.sh [BUILD_DIR]
#
# Environment:
#   ROUNDS=5            fast-pane runs per trace, each with a run of cat and
#                       of wc -l (medians are reported)
#   STOCK_BIG=1         also run the stock pane on the big trace (about a minute, 4 GB)
#   KAVRO_BENCH_BIG=0   skip the ~600 MB trace
#
# Each run is its own process, so its peak memory is its own.
set -euo pipefail

build=${1:-build}
rounds=${ROUNDS:-5}
stock_big=${STOCK_BIG:-1}
big=${KAVRO_BENCH_BIG:-1}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/bin/kavro-window-bench" ]; then
    echo "run-window-bench: no $build/bin/kavro-window-bench (build it first)" >&2
    exit 2
fi
# The window reads ns.tr and writes iNSpect.out beside its executable, so the
# benchmark runs from a folder of its own, away from the user's files.
bench_dir=$(mktemp -d "${TMPDIR:-/tmp}/kavro-window-bench.XXXXXX")
trap 'rm -rf "$bench_dir"' EXIT
cp "$build/bin/kavro-window-bench" "$bench_dir/"
bench="$bench_dir/kavro-window-bench"
export QT_QPA_PLATFORM=offscreen

small=$(bash "$here/make-trace.sh" 18 | tail -n 1)
traces=("$small")
[ "$big" = 1 ] && traces+=("$(bash "$here/make-trace.sh" 900 16 | tail -n 1)")

field() { sed -n "s/.* $1 \([^ ]*\).*/\1/p"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Wall seconds of one run of a command, its output thrown away.
wall() {
    local t0=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}

for trace in "${traces[@]}"; do
    ln -sf "$trace" "$bench_dir/ns.tr"
    mb=$(awk -v b="$(stat -L -c %s "$trace")" 'BEGIN { printf "%.1f", b / 1e6 }')
    echo "== $(basename "$trace") ($mb MB)"
    : >"$bench_dir/fast.runs"
    : >"$bench_dir/fast.wall"
    : >"$bench_dir/cat.secs"
    : >"$bench_dir/wc.secs"
    cat "$trace" >/dev/null
    stock_line=""
    for ((r = 1; r <= rounds; r++)); do
        # The floors take turns with the window, in a rotating order, so that
        # all see the same machine state.
        if [ "$r" = 1 ] && { [ "$trace" = "$small" ] || [ "$stock_big" = 1 ]; }; then
            stock_line=$("$bench" stock 2>/dev/null)
            echo "  $stock_line"
        fi
        for ((k = 0; k < 3; k++)); do
            case $(((r + k) % 3)) in
                0)
                    t0=$EPOCHREALTIME
                    line=$("$bench" fast 2>/dev/null)
                    awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }' >>"$bench_dir/fast.wall"
                    echo "  $line"
                    echo "$line" >>"$bench_dir/fast.runs"
                    ;;
                1) wall cat "$trace" >>"$bench_dir/cat.secs" ;;
                2) wall wc -l "$trace" >>"$bench_dir/wc.secs" ;;
            esac
        done
    done
    fast_total=$(field total_s <"$bench_dir/fast.runs" | median)
    fast_wall=$(median <"$bench_dir/fast.wall")
    fast_peak=$(field peak_mb <"$bench_dir/fast.runs" | median)
    cat_s=$(median <"$bench_dir/cat.secs")
    wc_s=$(median <"$bench_dir/wc.secs")
    printf '  fast pane: median total %.3f s (start-up + conversion), %.3f s for the whole process\n' \
        "$fast_total" "$fast_wall"
    printf '  floors: cat TRACE > /dev/null %.3f s, wc -l %.3f s (medians)\n' "$cat_s" "$wc_s"
    # The ratio goals are for the large trace; the small one has to be quick.
    awk -v t="$fast_total" -v w="$fast_wall" -v c="$cat_s" -v l="$wc_s" -v p="$fast_peak" -v m="$mb" 'BEGIN {
        big = m >= 50
        printf("  total / cat  %5.2f x%s; whole process / cat %.2f x; total / wc -l %.2f x\n",
            t / c, (big ? (t / c <= 5 ? " (goal <= 5) met" : " (goal <= 5) NOT MET") : ""), w / c, t / l)
        printf("  peak         %s MB = %.2f x the trace%s\n", p, p / m,
            (big ? (p / m <= 1.2 ? " (goal <= 1.2) met" : " (goal <= 1.2) NOT MET") : ""))
        if (!big) printf("  total        %.3f s (goal < 0.1 s) %s\n", t, (t < 0.1 ? "met" : "NOT MET"))
    }'
    if [ -n "$stock_line" ]; then
        stock_total=$(echo "$stock_line" | field total_s)
        stock_peak=$(echo "$stock_line" | field peak_mb)
        printf '  stock pane: total %.3f s, peak %s MB; fast pane is %.1f x faster and uses %.1f x less memory\n' \
            "$stock_total" "$stock_peak" \
            "$(awk -v s="$stock_total" -v f="$fast_total" 'BEGIN { print s / f }')" \
            "$(awk -v s="$stock_peak" -v f="$fast_peak" 'BEGIN { print s / f }')"
    fi
    rm -f "$bench_dir"/fast.* "$bench_dir"/*.secs "$bench_dir/ns.tr" "$bench_dir/iNSpect.out"
done
