#!/usr/bin/env bash
# Every option that kavro-convert --help lists has an entry in the manual page
# and in the zsh completion, and the bash completion offers it; the bash
# completion offers traces and folders for arguments, any file after -o and
# after --csv= and the like.
set -euo pipefail
export LC_ALL=C
prog=$1 dist=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
check() {  # NAME ACTUAL EXPECTED
    [ "$2" = "$3" ] || { printf 'FAIL %s:\n  got:      %s\n  expected: %s\n' "$1" "$2" "$3"; failed=1; }
}
# Option names as they stand in a text: -o from "-o OUT", --output from
# "--output=FILE", both from "-o, --output".
options() { grep -oE '(^|[][ |,])--?[A-Za-z0-9][A-Za-z0-9-]*' | sed -E 's/^[][ |,]//' | sort -u; }

# The first column of the lines of --help that begin with an option.
listed=$("$prog" --help | sed -nE 's/^ +(-[^ ].*)/\1/p' | sed -E 's/  .*//' | options)
[ -n "$listed" ] || { echo "FAIL: no option found in --help"; exit 1; }

# The manual page: the heading of each tagged paragraph, roff escapes undone.
page=$(sed -n '/^\.TP/{n;p}' "$dist/kavro-convert.1" | sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/^\.[A-Z]+ //')
check "manual page entries missing" "$(comm -23 <(echo "$listed") <(options <<<"$page") | xargs)" ""

# The zsh completion: one _arguments argument per option, such as '-o+[...]'.
zsh=$(grep -oE "^ *'(\([^)]*\))?--?[A-Za-z0-9][A-Za-z0-9-]*" "$dist/_kavro-convert" | sed -E "s/^ *'(\([^)]*\))?//")
check "zsh completion entries missing" "$(comm -23 <(echo "$listed") <(sort -u <<<"$zsh") | xargs)" ""

# The bash completion, run as bash runs it, from a folder of runs.
mkdir -p "$scratch/bin" "$scratch/runs/old"
ln -s "$prog" "$scratch/bin/kavro-convert"
touch "$scratch/runs/"{a.tr,b.tr.gz,c.txt,d.iNSpect.out,"e f.tr",g.gz}
complete_() {  # WORD...: what completing the last word offers
    (cd "$scratch" && PATH="$scratch/bin:$PATH" bash -c '
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        _kavro_convert
        printf "%s\n" "${COMPREPLY[@]}"' _ "$dist/kavro-convert.bash" "$@") | sort | paste -sd'|'
}
check "bash: options" "$(complete_ kavro-convert -)" "$(paste -sd'|' <<<"$listed")"
check "bash: traces and folders" "$(complete_ kavro-convert -q runs/)" "runs/a.tr|runs/b.tr.gz|runs/e f.tr|runs/old"
check "bash: any file after -o" "$(complete_ kavro-convert -o runs/)" \
    "runs/a.tr|runs/b.tr.gz|runs/c.txt|runs/d.iNSpect.out|runs/e f.tr|runs/g.gz|runs/old"
check "bash: nothing after -j" "$(complete_ kavro-convert -j '')" ""
check "bash: nothing after --bin" "$(complete_ kavro-convert --bin '')" ""
check "bash: folders after --plots" "$(complete_ kavro-convert --plots runs/)" "runs/old"
check "bash: any file after --summary=" "$(complete_ kavro-convert --summary = runs/)" \
    "runs/a.tr|runs/b.tr.gz|runs/c.txt|runs/d.iNSpect.out|runs/e f.tr|runs/g.gz|runs/old"
# After "=", split off as bash splits it: "--csv=" and "--output=runs/".
check "bash: any file after --csv=" "$(complete_ kavro-convert --csv =)" "bin|runs"
check "bash: any file after --output=" "$(complete_ kavro-convert --output = runs/)" \
    "runs/a.tr|runs/b.tr.gz|runs/c.txt|runs/d.iNSpect.out|runs/e f.tr|runs/g.gz|runs/old"
check "bash: nothing after --jobs=" "$(complete_ kavro-convert --jobs = '')" ""
exit $failed
