# bash completion for folvane-cli
_folvane_cli() {
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    local commands="typeset strip-html strip-ubb remove-blank-lines delete-head-spaces replace to-traditional to-simplified upper lower stats title"
    local options="--set --signature --config --head --tail --now --encoding --standard -o --output-dir --merge --check --diff -h --help"
    local switches="trimParagraphEnds addIndent indentFullWidth lineBreakFix doubleBreak tripleBreak joinNonParagraphBreaks toTraditional toSimplified fullToHalfWidth halfToFullWidth fixPunctuation fixQuotes stripHeadNoise stripTailNoise fillBlankLines copyAfter cutAfter minimizeAfter"
    local encodings="auto gb18030 gbk utf-8"
    local standards="opencc tw twp hk"

    case "$prev" in
        --set)
            local s words=()
            for s in $switches; do words+=("$s=0" "$s=1"); done
            COMPREPLY=($(compgen -W "${words[*]}" -- "$cur"))
            return ;;
        --encoding)
            COMPREPLY=($(compgen -W "$encodings" -- "$cur"))
            return ;;
        --standard)
            COMPREPLY=($(compgen -W "$standards" -- "$cur"))
            return ;;
        -o|--output-dir)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --config)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --head|--tail|--now)
            return ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ $COMP_CWORD -eq 1 ]]; then
        # Only the first argument names a command; the rest are files.
        COMPREPLY=($(compgen -W "$commands" -- "$cur") $(compgen -f -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _folvane_cli folvane-cli
