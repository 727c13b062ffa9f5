# Bash completion of kairodex-cli: its commands, each command's options, the
# sources of --from, the kinds of --kinds, and file names elsewhere.

_kairodex_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="list show replace photo-time name-time set shift sync-pairs sync-dir rename-wechat undo help"
    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "$commands --help --version" -- "$cur")
        return
    fi
    local command=${COMP_WORDS[1]}
    local paths="--filter -r --recursive --include-folders --only-folders"
    local names="--name-start --start --no-wechat"
    local lists="--files-from -0 --null --json"
    local writing="-k --kinds -n --dry-run -v --verbose --no-journal"
    local options
    case $command in
    list) options="$paths $names -j --jobs -o --save --force $lists" ;;
    show) options="--json -0 --null" ;;
    replace) options="-o --save --force --json -0 --null" ;;
    photo-time) options="-j --jobs $paths $lists" ;;
    name-time) options="$names $paths $lists" ;;
    set) options="$writing $paths $names -j --jobs -t --to -f --from --date-only --time-only
        --no-photo-in-compare -s --snapshot --reference $lists" ;;
    shift) options="$writing $paths -j --jobs --subtract --years --months --days --time --hours --minutes
        --seconds -s --snapshot $lists" ;;
    sync-pairs) options="$writing --compare --selected --json -0 --null" ;;
    sync-dir) options="$writing --filter --no-recursive --no-folders --only-folders --json -0 --null" ;;
    rename-wechat) options="-n --dry-run -v --verbose --no-journal $paths --start --name-start -s --snapshot
        -o --save --force $lists" ;;
    undo) options="-l --list -n --dry-run -v --verbose --force --clear --json -0 --null" ;;
    help)
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        return
        ;;
    *) return ;;
    esac

    case $prev in
    -f | --from)
        mapfile -t COMPREPLY < <(compgen -W "create modify access snapshot earliest latest photo filename" -- "$cur")
        return
        ;;
    -k | --kinds)
        mapfile -t COMPREPLY < <(compgen -W "m a m,a c c,m,a" -- "$cur")
        return
        ;;
    -t | --to | --time | --years | --months | --days | --hours | --minutes | --seconds | -j | --jobs | \
        --filter | --start | --name-start)
        return
        ;;
    -s | --snapshot | -o | --save)
        mapfile -t COMPREPLY < <(compgen -f -X '!*.kdx' -- "$cur"; compgen -d -- "$cur")
        return
        ;;
    --files-from | --reference)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options -h --help" -- "$cur")
    elif [[ $command == show || $command == sync-pairs || $command == replace ]]; then
        mapfile -t COMPREPLY < <(compgen -f -X '!*.kdx' -- "$cur"; compgen -d -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -o filenames -F _kairodex_cli kairodex-cli
