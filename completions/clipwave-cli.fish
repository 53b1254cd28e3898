# fish completion for clipwave-cli: its options, the format names after -f, folders after -o, files
# elsewhere. Installed in fish's vendor_completions.d, which fish reads on first use.

set -l formats mp3-256 mp3-128 mp3-64 wav wma original opus m4a flac ogg

complete -c clipwave-cli -s o -l output -x -a '(__fish_complete_directories)' -d 'Output folder'
complete -c clipwave-cli -s f -l format -x -a "$formats" -d 'Audio format'
complete -c clipwave-cli -l split-chapters -d 'One file per chapter'
complete -c clipwave-cli -l normalize -d 'Even loudness (-14 LUFS)'
complete -c clipwave-cli -s a -l address-file -r -F -d 'List of addresses and files (- for standard input)'
complete -c clipwave-cli -l playlist -d 'Every video of a list page'
complete -c clipwave-cli -l no-playlist -d "The page's video alone"
complete -c clipwave-cli -l archive -r -F -d 'File of finished items'
complete -c clipwave-cli -s y -l overwrite -d 'Replace existing audio files'
complete -c clipwave-cli -s n -l no-overwrite -d 'Keep existing audio files'
complete -c clipwave-cli -s q -l quiet -d 'No progress, only errors'
complete -c clipwave-cli -s h -l help -d 'Show the options'
complete -c clipwave-cli -l version -d 'Show the version'
