# bash completion for zr540ctl
_zr540ctl()
{
    local cur prev words cword
    _init_completion || return

    local i command="" position=0
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --simulate | --json | --verbose) ;;
            --profile) ((i++)) ;;
            *)
                if [[ -z $command ]]; then command=${words[i]}; else ((position++)); fi
                ;;
        esac
    done

    if [[ $prev == --profile ]]; then
        COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur"))
        return
    fi
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "--simulate --json --profile --help --version info dpi rate light button profile export import oled" -- "$cur"))
        return
    fi
    case $command in
        dpi)
            case $position in
                0) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7" -- "$cur")) ;;
                1) COMPREPLY=($(compgen -W "on off 400 800 1600 3200" -- "$cur")) ;;
            esac
            ;;
        rate) [[ $position == 0 ]] && COMPREPLY=($(compgen -W "125 250 500 1000" -- "$cur")) ;;
        light)
            case $prev in
                --mode) COMPREPLY=($(compgen -W "steady breath spectrum apm off" -- "$cur")) ;;
                --brightness | --speed) COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7 8 9" -- "$cur")) ;;
                --color) ;;
                *)
                    if [[ $position == 0 ]]; then
                        COMPREPLY=($(compgen -W "wheel logo" -- "$cur"))
                    else
                        COMPREPLY=($(compgen -W "--mode --color --brightness --speed" -- "$cur"))
                    fi
                    ;;
            esac
            ;;
        button)
            case $position in
                0) COMPREPLY=($(compgen -W "left right middle forward back wheel-up wheel-down dpi-up dpi-down custom1 custom2 custom3" -- "$cur")) ;;
                1) COMPREPLY=($(compgen -W "key media macro disable default" -- "$cur")) ;;
                *)
                    case ${words[cword - position + 1]} in
                        media) [[ $position == 2 ]] && COMPREPLY=($(compgen -W "player play-pause next previous stop mute volume-up volume-down" -- "$cur")) ;;
                        macro) _filedir ;;
                    esac
                    ;;
            esac
            ;;
        profile) [[ $position == 0 ]] && COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur")) ;;
        export | import) [[ $position == 0 ]] && _filedir ;;
        oled)
            if [[ $position == 0 ]]; then _filedir; else COMPREPLY=($(compgen -W "--dither" -- "$cur")); fi
            ;;
    esac
} &&
    complete -F _zr540ctl zr540ctl
