# bash completion for yumekaze
_yumekaze() {
  local cur prev words cword
  _init_completion || return
  case $prev in
    --device)
      if [[ $cur == wav:* ]]; then
        COMPREPLY=($(compgen -P wav: -f -- "${cur#wav:}"))
      else
        COMPREPLY=($(compgen -W 'auto pulse pulse: alsa alsa: null wav:' -- "$cur"))
        compopt -o nospace
      fi
      return ;;
    --seek | --volume) return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '--help --version --device --play --pause --play-pause --stop
      --next --previous --seek --volume --enqueue --stop-after-current --status --quit' -- "$cur"))
    return
  fi
  _filedir '@(mp[123a]|MP[123A]|mpga|MPGA|m3u|M3U|m3u8|M3U8|pls|PLS)'
}
complete -F _yumekaze yumekaze
