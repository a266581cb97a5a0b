# bash completion for kavro-convert: its options, and traces (*.tr, *.tr.gz)
# and folders for the arguments.
_kavro_convert() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # Bash splits "--csv=FILE" at the "=" (COMP_WORDBREAKS) into "--csv",
    # "=" and FILE: the value completes as it does after a space.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    case $prev in
        -o | --output | --csv | --flows | --nodes | --drops)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        -j | --jobs) return ;;
    esac
    if [[ $cur == -* ]]; then
        # The options as --help lists them, so that new ones complete too:
        # the first column of its lines that begin with one, not the prose.
        mapfile -t COMPREPLY < <(compgen -W "$("${COMP_WORDS[0]}" --help 2>/dev/null |
            sed -nE 's/^ +(-[^ ].*)/\1/p' | sed -E 's/  .*//' |
            grep -oE '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' | sed -E 's/^[ ,]//' | sort -u)" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$cur"
        compgen -f -X '!*.tr' -- "$cur"
        compgen -f -X '!*.tr.gz' -- "$cur")
}
complete -F _kavro_convert kavro-convert
