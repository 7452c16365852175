# bash completion for raskladka-cli                          -*- shell-script -*-

# The keyboard's ports: serial devices of the kinds it shows up as, and whatever
# the program itself lists (extra ports, other names).
_raskladka_cli_ports()
{
    local p
    for p in /dev/ttyACM* /dev/ttyUSB*; do
        [[ -e $p ]] && printf '%s\n' "$p"
    done
    "$1" ports 2>/dev/null | cut -f1
}

_raskladka_cli()
{
    local cur prev words cword split
    _init_completion -s -n : || return

    local commands="info dump convert print ports upload read station diff"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --port)
            COMPREPLY=($(compgen -W "$(_raskladka_cli_ports "$1" | sort -u)" -- "$cur"))
            __ltrim_colon_completions "$cur"
            return
            ;;
        --sheet)
            COMPREPLY=($(compgen -W "labels codes" -- "$cur"))
            return
            ;;
        -o | --output)
            _filedir pdf
            return
            ;;
        --log)
            _filedir csv
            return
            ;;
        --answer-wait | --reboot-wait | --read-wait | --count)
            return
            ;;
    esac
    $split && return

    local cmd=${words[1]} opts=""
    case $cmd in
        dump) opts="--json" ;;
        print) opts="--sheet -o --output" ;;
        ports) opts="--all" ;;
        upload) opts="--port --all-ports --verify --answer-wait --reboot-wait --read-wait -v --verbose" ;;
        read) opts="--port --read-wait -v --verbose" ;;
        station) opts="--no-verify --verify --count --log --answer-wait --reboot-wait --read-wait" ;;
        diff) opts="--keys --labels --json --read-wait" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts -h --help" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case $cmd in
        ports) return ;;
        diff)
            if [[ $cur == port:* ]]; then
                COMPREPLY=($(compgen -P port: -W "$(_raskladka_cli_ports "$1" | sort -u)" -- "${cur#port:}"))
                __ltrim_colon_completions "$cur"
                return
            fi
            ;;
    esac
    _filedir '@(kmp|btv|json|csv)'
} &&
    complete -F _raskladka_cli raskladka-cli

# ex: filetype=sh
