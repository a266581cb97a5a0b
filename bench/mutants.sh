#!/usr/bin/env bash
# Applies small, plausible changes to the figures' code, one at a time, in a
# scratch copy of the working tree, and reports which ones the tests let
# through. Each change alters a figure that users publish; a change that
# survives points at a rule no test pins.
#
#   bash bench/mutants.sh            # every change
#   bash bench/mutants.sh p95 nrl    # the changes whose names start so
#
# The copy builds without the window; a change that does not compile counts
# as neither killed nor survived.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kavro-mutants.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# NAME|FILE|TEXT|REPLACEMENT, one literal replacement each; {NL} in TEXT and
# REPLACEMENT is a line end, \| a bar.
mutants=(
    'p95-as-p90|study/Study.cpp|delays_[Rank(95, n)]|delays_[Rank(90, n)]'
    'rank-to-nearest|study/Study.cpp|(p * n + 99) / 100|(p * n + 50) / 100'
    'flow-without-type|study/Study.cpp|.append(1, '"'"'\0'"'"').append(r.type)|'
    'negative-energy-new|conversion/formats/NewFormat.cpp|if (energy.empty() \|\| detail::IsNegative(energy)) return {};|if (energy.empty()) return {};'
    'negative-energy-tagged|conversion/formats/TaggedFormat.cpp|if (energy.empty() \|\| detail::IsNegative(energy)) return {};|if (energy.empty()) return {};'
    'csv-lone-cr-unquoted|study/Csv.cpp|",\"\r\n"|",\"\n"'
    'nodes-by-bytes|study/Study.cpp|if (va.size() != vb.size()) return va.size() < vb.size();|'
    'nrl-over-sent|study/Study.cpp|static_cast<double>(routingPackets) / t.delivered|static_cast<double>(routingPackets) / t.sent'
    'routing-forwards-uncounted|conversion/TraceTableBuilder.cpp|if (tables_) CountRouting(fields.packetType, fields.time);|'
    'span-from-delivered|study/Study.cpp|if (time.sent) firstSend_ = std::min(firstSend_, time.send);{NL}        if (!Delivered(rec)) return;|if (!Delivered(rec)) return;{NL}        if (time.sent) firstSend_ = std::min(firstSend_, time.send);'
    'hops-uncounted-in-counts|study/Study.cpp|if (study.forwards < 0) return std::nullopt;|return PathLinks(rec);'
    'types-lower-cased|conversion/TraceTableBuilder.cpp|study.type.assign(line.packetType);|AppendLowerAscii(line.packetType, study.type);'
    'bins-in-binary|conversion/TraceTime.cpp|if (read == Nanos::Ok) bin = static_cast<uint64_t>(ns / binNs);|if (read == Nanos::Ok) bin = static_cast<uint64_t>(static_cast<double>(ns) / 1e9 / (static_cast<double>(binNs) / 1e9));'
    'series-by-last-receive|study/Study.cpp|if (!Delivered(rec) \|\| !bin(r.receiveTime, k)) continue;|if (!Delivered(rec) \|\| !bin(rec.RecvTime, k)) continue;'
    'series-energy-not-carried|study/Csv.cpp|Next(rows, reading ? std::string_view|Next(rows, reading && energy[reading - 1].first == k ? std::string_view'
    'series-throughput-times-width|study/Csv.cpp|b.bytes * 8 / 1000.0 / seconds|b.bytes * 8 / 1000.0 * seconds'
    'series-skips-empty-bins|study/Csv.cpp|fn(k, here ? bins[at].second : kEmpty);|if (here) fn(k, bins[at].second);'
    'sd-over-n|study/Averages.cpp|std::sqrt(squares / (s.n - 1))|std::sqrt(squares / s.n)'
    't-with-n|study/Averages.cpp|StudentT95(s.n - 1)|StudentT95(s.n)'
)
# Left out as equivalent here: a throughput for a span of 0 (span >= 0)
# comes out infinite or no number, which is written empty all the same.

echo "copying the working tree to $scratch ..." >&2
(cd "$here" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$scratch")
cmake -S "$scratch" -B "$scratch/build" -DCMAKE_BUILD_TYPE=Release -DKAVRO_BUILD_APP=OFF >/dev/null
targets=(core_tests study_tests console_tests kavro-convert)
build() { cmake --build "$scratch/build" -j "$(nproc)" --target "${targets[@]}" >"$scratch/build.log" 2>&1; }
# The suites of the core and the study, and kavro-convert's runs that check
# figures; the first failing test names the killer.
run() {
    local b=$scratch/build/tests
    { "$b/core/core_tests" && "$b/study/study_tests" &&
        "$b/console/console_tests" --gtest_filter='PathsTest.*:*StudyTables*'; } >"$scratch/test.log" 2>&1
}
build || { cat "$scratch/build.log" >&2; exit 2; }
run || { echo "the tests fail without any change:" >&2; tail -n 20 "$scratch/test.log" >&2; exit 2; }

killed=0 survived=0 other=0
for m in "${mutants[@]}"; do
    IFS='|' read -r name file text replacement <<<"${m//\\|/$'\x1f'}"
    text=${text//$'\x1f'/|} replacement=${replacement//$'\x1f'/|}
    if [ $# -gt 0 ]; then
        match=0
        for want in "$@"; do [[ $name == "$want"* ]] && match=1; done
        [ $match = 1 ] || continue
    fi
    if [ ! -f "$scratch/$file" ] || ! cp "$scratch/$file" "$scratch/$file.orig" || ! python3 - "$scratch/$file" "$text" "$replacement" <<'PY'
import sys
path, text, replacement = sys.argv[1], sys.argv[2].replace("{NL}", "\n"), sys.argv[3].replace("{NL}", "\n")
source = open(path).read()
if source.count(text) != 1:
    sys.exit(1)
open(path, "w").write(source.replace(text, replacement))
PY
    then
        printf '%-28s NOT FOUND in %s\n' "$name" "$file"
        other=$((other + 1))
        continue
    fi
    if ! build; then
        printf '%-28s does not compile\n' "$name"
        other=$((other + 1))
    elif run; then
        printf '%-28s SURVIVED\n' "$name"
        survived=$((survived + 1))
    else
        printf '%-28s killed by %s\n' "$name" "$(grep -m1 -oE '^\[  FAILED  \] [^ ]+' "$scratch/test.log" | cut -c14-)"
        killed=$((killed + 1))
    fi
    mv "$scratch/$file.orig" "$scratch/$file"
    touch "$scratch/$file"  # newer than what the change built
done
build
echo "$killed killed, $survived survived, $other not run"
[ "$survived" = 0 ]
