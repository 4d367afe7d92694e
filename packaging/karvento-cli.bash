# bash completion for karvento-cli: commands, each command's options, and
# the values of the options that take a fixed set.
_karvento_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local words=("${COMP_WORDS[@]}") cword=$COMP_CWORD

  local commands="sheets grid convert check project dms at version"
  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  case $prev in
    --format)
      COMPREPLY=($(compgen -W "table csv json geojson mif xlsx shp gpkg dxf kml svg png pdf" -- "$cur"))
      return ;;
    --scale | --to-scale)
      COMPREPLY=($(compgen -W "1:100万 1:50万 1:25万 1:10万 1:5万 1:2.5万 1:1万 1:5000 1:2000 1:1000 1:500" -- "$cur"))
      return ;;
    --standard) COMPREPLY=($(compgen -W "new old" -- "$cur")); return ;;
    --datum) COMPREPLY=($(compgen -W "54 80 2000" -- "$cur")); return ;;
    --zone) COMPREPLY=($(compgen -W "3 6" -- "$cur")); return ;;
    --encoding) COMPREPLY=($(compgen -W "utf-8 gbk" -- "$cur")); return ;;
    --coords) COMPREPLY=($(compgen -W "plane geo" -- "$cur")); return ;;
    --by) COMPREPLY=($(compgen -W "rowcol coords" -- "$cur")); return ;;
    --number-form) COMPREPLY=($(compgen -W "rowcol 5000" -- "$cur")); return ;;
    --direction) COMPREPLY=($(compgen -W "auto old-to-new new-to-old" -- "$cur")); return ;;
    --output | --input | --params | --aoi) COMPREPLY=($(compgen -f -- "$cur")); return ;;
  esac

  local output="--format --output --encoding --coords --size --spreadsheet --quiet --help"
  local projection="--datum --zone --cm"
  local options
  case ${words[1]} in
    sheets) options="--from --to --scale --standard --number-form --offset-x --offset-y --params --aoi
                     --aoi-layer --aoi-where --min-cover --cover --progress $projection $output" ;;
    grid) options="--min-x --min-y --max-x --max-y --step-x --step-y --start-row --start-col --by
                   --format-string $output" ;;
    convert) options="--input --column --to-scale --direction --number-form --offset-x --offset-y
                      $projection $output" ;;
    check) options="--input --column --help" ;;
    project) options="--inverse $projection --help" ;;
    dms) options="--help" ;;
    at) options="--plane --scale --neighbours --standard $projection $output" ;;
    *) return ;;
  esac
  [[ $cur == -* ]] && COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -o filenames -F _karvento_cli karvento-cli
