#!/usr/bin/env bash
# Times the window, headless, with the fast pane and with a stock
# QPlainTextEdit, on a ~10 MB and a ~600 MB ns-2 trace, in one run.
#
#   bash bench/run-window-bench.sh [BUILD_DIR]
#
# Environment:
#   ROUNDS=3            fast-pane runs per trace (the median is reported)
#   STOCK_BIG=1         also run the stock pane on the big trace (about a minute, 4 GB)
#   KAVRO_BENCH_BIG=0   skip the ~600 MB trace
#
# Each run is its own process, so its peak memory is its own.
set -euo pipefail

build=${1:-build}
rounds=${ROUNDS:-3}
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

for trace in "${traces[@]}"; do
    ln -sf "$trace" "$bench_dir/ns.tr"
    mb=$(awk -v b="$(stat -c %s "$trace")" 'BEGIN { printf "%.1f", b / 1e6 }')
    echo "== $(basename "$trace") ($mb MB)"
    : >"$bench_dir/fast.runs"
    stock_line=""
    for ((r = 1; r <= rounds; r++)); do
        # Alternate the panes so that both see the same machine state.
        if [ "$r" = 1 ] && { [ "$trace" = "$small" ] || [ "$stock_big" = 1 ]; }; then
            stock_line=$("$bench" stock 2>/dev/null)
            echo "  $stock_line"
        fi
        line=$("$bench" fast 2>/dev/null)
        echo "  $line"
        echo "$line" >>"$bench_dir/fast.runs"
    done
    fast_total=$(field total_s <"$bench_dir/fast.runs" | median)
    fast_peak=$(field peak_mb <"$bench_dir/fast.runs" | median)
    printf '  fast pane: median total %.3f s (start-up + conversion), peak %s MB = %.2f x the trace\n' \
        "$fast_total" "$fast_peak" "$(awk -v p="$fast_peak" -v m="$mb" 'BEGIN { print p / m }')"
    if [ -n "$stock_line" ]; then
        stock_total=$(echo "$stock_line" | field total_s)
        stock_peak=$(echo "$stock_line" | field peak_mb)
        printf '  stock pane: total %.3f s, peak %s MB; fast pane is %.1f x faster and uses %.1f x less memory\n' \
            "$stock_total" "$stock_peak" \
            "$(awk -v s="$stock_total" -v f="$fast_total" 'BEGIN { print s / f }')" \
            "$(awk -v s="$stock_peak" -v f="$fast_peak" 'BEGIN { print s / f }')"
    fi
    rm -f "$bench_dir/fast.runs" "$bench_dir/ns.tr" "$bench_dir/iNSpect.out"
done
