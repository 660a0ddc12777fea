# bash completion for tovrel                                   -*- shell-script -*-

_tovrel()
{
    local cur prev words cword
    _init_completion || return

    local commands="list convert play device search contacts check touch note"
    if [[ $prev == --lang ]]; then
        COMPREPLY=($(compgen -W "en zh" -- "$cur"))
        return
    fi
    if [[ $prev == --config ]]; then
        _filedir ini
        return
    fi
    # --lang LANGUAGE and --config FILE before the command: completed as if they were not there.
    while [[ ${words[1]} == --lang || ${words[1]} == --config ]] && ((cword >= 3)); do
        words=("${words[0]}" "${words[@]:3}")
        ((cword -= 2))
    done
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version --lang --config" -- "$cur"))
        return
    fi

    case $prev in
        --to)
            # search: the end of its date range; device upload: a folder.
            [[ ${words[1]} == search ]] || _filedir -d
            return
            ;;
        --out | --all)
            _filedir -d
            return
            ;;
        --export)
            _filedir '@(xls|xlsx)'
            return
            ;;
        --emulator | --password-file)
            _filedir
            return
            ;;
        --speed)
            COMPREPLY=($(compgen -W "0.5 0.6 0.7 0.8 0.9 1.0 1.1 1.2 1.3 1.4 1.5 1.6 1.7 1.8 1.9 2.0" -- "$cur"))
            return
            ;;
        --jobs | --password | --number | --name | --note | --set | --kinds | --min-seconds | --max-seconds | \
            --from | --timeout-ms | --every)
            return
            ;;
    esac

    local options
    case ${words[1]} in
        list) options="--header --contacts --notes --export --replace --help" ;;
        convert) options="--out --all --jobs --help" ;;
        play) options="--from --speed --help" ;;
        check) options="--recursive --help" ;;
        touch) options="--help" ;;
        note) options="--set --clear --help" ;;
        search)
            options="--from --to --number --name --note --kinds --min-seconds --max-seconds --header
                --contacts --notes --export --replace --help"
            ;;
        device)
            if ((cword == 2)); then
                COMPREPLY=($(compgen -W "status list upload watch --help" -- "$cur"))
                return
            fi
            options="--emulator --password-file --password --to --all --new --header --contacts --export --replace
                --timeout-ms --every --help"
            ;;
        contacts)
            if ((cword == 2)); then
                COMPREPLY=($(compgen -W "import add list export --help" -- "$cur"))
                return
            fi
            [[ ${words[2]} == import ]] && _filedir '@(vcf|csv)'
            [[ ${words[2]} == export ]] && _filedir vcf
            return
            ;;
        *) return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ ${words[1]} == play || ${words[1]} == note ]]; then
        _filedir spx
    elif [[ ${words[1]} == check || ${words[1]} == touch ]]; then
        _filedir -d
    elif [[ ${words[1]} != device ]]; then
        _filedir
    fi
} &&
    complete -F _tovrel tovrel
