# bash completion for clipwave-cli: its options, the format names after -f, folders after -o, files
# elsewhere. Installed as bash-completion's completions/clipwave-cli, which loads it on first use.

_clipwave_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--output=DIR": bash splits the word at '=' (COMP_WORDBREAKS), giving "--output" "=" "DIR".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  local formats='mp3-256 mp3-128 mp3-64 wav wma original opus m4a flac ogg'
  local options='-o --output -f --format --split-chapters --normalize -a --address-file --playlist
    --no-playlist --archive -y --overwrite -n --no-overwrite -q --quiet -h --help --version'

  local IFS=$'\n'
  case $prev in
    -o | --output)
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    -f | --format)
      COMPREPLY=($(IFS=$' \t\n' compgen -W "$formats" -- "$cur"))
      return
      ;;
    -a | --address-file | --archive)
      COMPREPLY=($(compgen -f -- "$cur"))
      return
      ;;
  esac

  # After "--" every word is an address or a file.
  local i
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} == -- ]]; then
      COMPREPLY=($(compgen -f -- "$cur"))
      return
    fi
  done
  if [[ $cur == -* ]]; then
    COMPREPLY=($(IFS=$' \t\n' compgen -W "$options" -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -o filenames -F _clipwave_cli clipwave-cli
