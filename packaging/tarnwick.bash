# Bash completion for tarnwick: command words, the options of each command, database and
# source files. Installed as share/bash-completion/completions/tarnwick.
#
# The commands and their options follow the command table of the tool (tool/Commands.cpp).
# Options may stand anywhere on the line, so positions count only the words without a
# leading '-'.

_tarnwick() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local command="" word all=""
    local -i position=0 i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i],,}
        case $word in
        - | -a | -al | -all) all=yes ;; # every abbreviation of dump's -all
        -*) ;;
        *) position+=1 && ((position == 1)) && command=$word ;;
        esac
    done

    local options="" files=""
    case $command in
    add | create) options="-keepComments -strict" ;;
    compare) options="-json" ;;
    dump) options="-notables -binary -skipASC -all" ;;
    list) options="-tab -skip -only -json" ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    if ((position == 0)); then
        mapfile -t COMPREPLY < <(compgen -W "add calc create compact compare delete dump help
            list remove verify version --help --version" -- "$cur")
        return
    fi

    # What the next positional word names: a file, an XML source, or (ids and record ranges)
    # nothing that can be completed.
    case $command:$position in
    add:1 | create:1 | compact:1 | compare:[12] | delete:1 | dump:1 | list:1 | remove:1 | verify:1)
        files=any ;;
    add:2 | create:2) files=xml ;;
    create:3 | list:2 | dump:3) files=any ;;
    dump:2) [[ $all ]] && files=any ;; # the output file, when -all stands for the range
    esac
    case $files in
    any) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    xml) mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.[xX][mM][lL]' -- "$cur") ;;
    *) return ;;
    esac
    compopt -o filenames 2>/dev/null
}
complete -F _tarnwick tarnwick
