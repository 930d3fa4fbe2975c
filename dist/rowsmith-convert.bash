# bash completion for rowsmith-convert

_rowsmith_convert() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}

  case $prev in
    -o|--output)
      COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null; return ;;
    --format)
      COMPREPLY=($(compgen -W "text xlsx" -- "$cur")); return ;;
    --separator)
      COMPREPLY=($(compgen -W "comma semicolon tab" -- "$cur")); return ;;
    --enclose)
      COMPREPLY=($(compgen -W "none single double" -- "$cur")); return ;;
    --line-break)
      COMPREPLY=($(compgen -W "crlf lf" -- "$cur")); return ;;
    --dates)
      COMPREPLY=($(compgen -W "western sortable" -- "$cur")); return ;;
    --encoding)
      COMPREPLY=($(compgen -W "windows-1252 utf-8" -- "$cur")); return ;;
    --columns|--sort)
      return ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "-o --output --format --separator --enclose --line-break
      --columns --no-rowcount --keep-formulas --sort --descending --dates --encoding -q --quiet
      -h --help --version" -- "$cur"))
    return
  fi
  # GEDCOM files and folders to reach them.
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -f -X '!*.[gG][eE][dD]' -- "$cur") $(compgen -d -- "$cur"))
}
complete -F _rowsmith_convert rowsmith-convert
