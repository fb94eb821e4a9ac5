# bash completion for varnox-tool: its commands, each command's options, and
# files or folders where an option or operand takes one.
_varnox_tool() {
    local cur prev words cword
    _init_completion -s || return

    local commands="run line dis list asm kit"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local options
    case ${words[1]} in
        run) options="--steps --break --watch --ticks --hold --screen --gif --scale --load-state --save-state
                      --record --replay --no-save --trace --trace-regs --profile --profile-all" ;;
        list) options="--from --lines --source" ;;
        asm) options="--output -o --listing" ;;
        kit) options="--force" ;;
        line | dis) options="" ;;
        *) return ;;
    esac

    case $prev in
        --screen | --gif | --load-state | --save-state | --record | --replay | --listing)
            _filedir
            return ;;
        --output | -o | --source)
            _filedir -d
            return ;;
        --steps | --break | --watch | --ticks | --hold | --scale | --from | --lines)
            return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    elif [[ ${words[1]} == asm ]]; then
        _filedir
    elif [[ ${words[1]} == kit ]]; then
        _filedir -d
    fi
} &&
    complete -F _varnox_tool varnox-tool
