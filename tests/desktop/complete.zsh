# Prints, one a line, what zsh's completion offers for a command line, as an interactive zsh would on Tab:
#   zsh -f complete.zsh FOLDER 'clipwave-cli -f '
# An interactive zsh runs on a pseudo-terminal (zsh/zpty) with FOLDER first on its function path and
# compinit's completions; compadd is wrapped to print each candidate it is given, and the end of the
# completion is printed after the last one. The markers are written split in the commands sent, so that the
# terminal's echo of those commands is never taken for an answer.
zmodload zsh/zpty || exit 3
zpty shell zsh -f -i
zpty -w shell "PROMPT= RPROMPT= ; fpath=(${(q)1} \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w shell 'compadd () { local -a hits; builtin compadd -O hits "$@"; (( $#hits )) && print -rl -- "<h""it>"${^hits} >&2; builtin compadd "$@" }'
zpty -w shell 'comppostfuncs=(_capture_end); _capture_end () { print -r -- "<e""nd/>" >&2 }'
zpty -n -w shell "$2"$'\t'
local line
while zpty -r shell line; do
  line=${line//[$'\r\n']/}
  [[ $line == *'<end/>'* ]] && break
  [[ $line == *'<hit>'* ]] && print -r -- ${line#*<hit>}
done
zpty -d shell
