# bash completion for yumekaze-cli
_yumekaze_cli() {
  local cur prev words cword
  _init_completion || return
  local audio='@(mp[123a]|MP[123A]|mpga|MPGA)'
  if ((cword == 1)); then
    COMPREPLY=($(compgen -W 'decode info play --help --version' -- "$cur"))
    return
  fi
  case $prev in
    --channels) COMPREPLY=($(compgen -W 'stereo mix left right' -- "$cur")); return ;;
    --cpu) COMPREPLY=($(compgen -W 'auto x87 3dnow sse2 avx2' -- "$cur")); return ;;
    --replay-gain) COMPREPLY=($(compgen -W 'track album off' -- "$cur")); return ;;
    --eq) COMPREPLY=($(compgen -W 'list flat bass treble vocal loudness classical rock pop' -- "$cur")); return ;;
    --eq-mode) COMPREPLY=($(compgen -W 'freq subband' -- "$cur")); return ;;
    --device)
      if [[ $cur == wav:* ]]; then
        COMPREPLY=($(compgen -P wav: -f -- "${cur#wav:}"))
      else
        COMPREPLY=($(compgen -W 'auto pulse pulse: alsa alsa: default null wav:' -- "$cur"))
        compopt -o nospace
      fi
      return ;;
    --charset) COMPREPLY=($(compgen -W 'UTF-8 CP932 CP1251 CP1252 CP936 CP949 ISO-8859-1' -- "$cur")); return ;;
    -o | --output) _filedir '@(wav|WAV|pcm|raw)'; return ;;
    --extract-cover) _filedir '@(jpg|jpeg|png)'; return ;;
    --freq-limit | --start | --duration | --volume | --balance | --preamp) return ;;
  esac
  if [[ $cur == -* ]]; then
    local options='--help'
    case ${words[1]} in
      decode) options+=' --band-cap --full-band --channels --freq-limit --cpu --no-gapless --start --duration --eq --eq-mode -o --output' ;;
      info) options+=' --json --charset --extract-cover' ;;
      play) options+=' --device --volume --balance --replay-gain --preamp --loop --eq --eq-mode --charset' ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi
  if [[ ${words[1]} == play ]]; then
    _filedir '@(mp[123a]|MP[123A]|mpga|MPGA|m3u|M3U|m3u8|M3U8|pls|PLS)'
  else
    _filedir "$audio"
  fi
}
complete -F _yumekaze_cli yumekaze-cli
