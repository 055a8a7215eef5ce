# fish completion for yumekaze-cli
set -l commands decode info play
complete -c yumekaze-cli -f
complete -c yumekaze-cli -n "not __fish_seen_subcommand_from $commands" -a decode -d 'Decode an MPEG audio file to WAV or raw PCM'
complete -c yumekaze-cli -n "not __fish_seen_subcommand_from $commands" -a info -d 'Show format, audio position and tags'
complete -c yumekaze-cli -n "not __fish_seen_subcommand_from $commands" -a play -d 'Play MPEG audio files, folders, play lists and stations'
complete -c yumekaze-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c yumekaze-cli -l help -s h -d 'Show the help'
complete -c yumekaze-cli -n "__fish_seen_subcommand_from $commands" -F

complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l band-cap -d 'Leave out the top subband'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l full-band -d 'Decode all 32 subbands (the default)'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l channels -x -a 'stereo mix left right' -d 'Channels to write'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l freq-limit -x -d 'Decode only the subbands below HZ'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l cpu -x -a 'auto x87 3dnow sse2 avx2' -d 'Inner-loop forms'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l no-gapless -d 'Keep every decoded sample'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l start -x -d 'Begin at TIME'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -l duration -x -d 'Write at most TIME of PCM'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode' -s o -l output -r -d 'WAV file, raw PCM file or -'

complete -c yumekaze-cli -n '__fish_seen_subcommand_from info' -l json -d 'One JSON object per file and line'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from info' -l extract-cover -r -d 'Write the front cover to PATH'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from info play' -l charset -x -a 'UTF-8 CP932 CP1251 CP1252 CP936 CP949 ISO-8859-1' -d 'Character set of tag text that is not UTF-8'

complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l device -x -a 'auto pulse alsa default null wav:' -d 'Sound output'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l volume -x -d 'Volume in percent'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l balance -x -d '-100 (left) to 100 (right)'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l replay-gain -x -a 'track album off' -d 'Loudness the tags store'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l preamp -x -d 'dB added to the ReplayGain'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from play' -l loop -d 'Start again after the last file'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode play' -l eq -x -a 'list flat bass treble vocal loudness classical rock pop' -d 'Equalizer: a preset or dB per band'
complete -c yumekaze-cli -n '__fish_seen_subcommand_from decode play' -l eq-mode -x -a 'freq subband' -d 'Where the bands act'
