#!/usr/bin/env bash
# Checks the layering of src/: every quoted include names its folder ("base/Texts.h"), and a
# folder includes only itself and the folders below it. Prints each breach; exit status 1 when
# there is one. Run by CTest (check_layers).
set -euo pipefail
src=$(cd "$(dirname "$0")/../src" && pwd)

# The folders each folder may include, bottom up.
declare -A allowed=(
  [base]="base"
  [data]="base data"
  [link]="base data link"
  [drivers/ftdi]="base link drivers/ftdi"
  [drivers/serial]="base link drivers/serial"
  [drivers/sim]="base link drivers/sim"
  [drivers]="base link drivers drivers/ftdi drivers/serial drivers/sim"
  [online]="base online"
  [firmware]="base data link online firmware"
  [scripts]="base data link scripts"
  [graphs]="base data graphs"
  [ui/common]="base data link graphs ui/common"
  [ui/graphs]="base data link graphs ui/common ui/graphs"
  [ui/settings]="base data link online graphs ui/common ui/settings"
  [ui/service]="base data link graphs ui/common ui/service"
  [ui/scripts]="base data link scripts graphs ui/common ui/scripts"
  [ui/update]="base data link online firmware graphs ui/common ui/update"
  [app]="base data link drivers online firmware scripts graphs ui/common ui/graphs ui/settings ui/service ui/scripts ui/update app"
  [cli]="base data link drivers online firmware scripts graphs cli"
)

# The layer folder of a path below src/: drivers/ and ui/ hold one folder per layer.
folder_of() {
  case $1 in
    drivers/*/* | ui/*/*) echo "${1%/*}" ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

status=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  here=$(folder_of "$rel")
  if [ -z "${allowed[$here]+set}" ]; then
    echo "$rel: the folder $here is not a layer"
    status=1
    continue
  fi
  while IFS=: read -r line target; do
    case $target in *.moc) continue ;; esac
    there=$(folder_of "$target")
    if [ -z "$there" ] || [ -z "${allowed[$there]+set}" ]; then
      echo "$rel:$line: \"$target\" does not name its layer"
      status=1
    elif [[ " ${allowed[$here]} " != *" $there "* ]]; then
      echo "$rel:$line: $here includes \"$target\" from $there above it"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)
exit $status
