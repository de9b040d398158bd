# bash completion for tavorin                              -*- shell-script -*-

_tavorin()
{
    local cur prev words cword
    _init_completion -n : || return

    case $prev in
        -h | --help | --help-all | -v | --version | --list-voices)
            return
            ;;
        --export)
            _filedir '@(aiff|aif|wav|flac|ogg|oga|opus|mp3|m4b|m4a)'
            return
            ;;
        --timings)
            _filedir '@(vtt|srt|json)'
            return
            ;;
        --lexicon | --chapters)
            _filedir
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W 'aiff wav flac ogg opus mp3 m4b' -- "$cur"))
            return
            ;;
        --voice)
            # Identifiers hold ':', which bash splits words at (-n : above joins them).
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$("$1" --list-voices 2>/dev/null | cut -f1)" -- "$cur"))
            __ltrim_colon_completions "$cur"
            return
            ;;
        --pitch | --intonation)
            COMPREPLY=($(compgen -W '0 25 50 75 100' -- "$cur"))
            return
            ;;
        --volume)
            COMPREPLY=($(compgen -W '50 100 150 200' -- "$cur"))
            return
            ;;
        --ocr-language)
            local data=(/usr/share/tesseract-ocr/*/tessdata/*.traineddata)
            data=("${data[@]##*/}")
            COMPREPLY=($(compgen -W "${data[*]%.traineddata}" -- "$cur"))
            return
            ;;
        --rate | --jobs | --password | --speak)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --help-all --version --list-voices --export
            --format --timings --chapters --split-chapters --voice --rate --pitch --intonation --volume --jobs
            --progress --password --lexicon --ocr-language --speak --speak-selection' -- "$cur"))
        return
    fi

    # Documents are known by their content, not their names: any file may be one.
    _filedir
} &&
    complete -F _tavorin tavorin

# ex: filetype=sh
