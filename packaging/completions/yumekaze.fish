# fish completion for yumekaze
complete -c yumekaze -s h -l help -d 'Show the help and exit'
complete -c yumekaze -l version -d 'Show the version and exit'
complete -c yumekaze -l device -x -a 'auto pulse alsa null wav:' -d 'Sound output'
