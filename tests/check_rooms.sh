#!/usr/bin/env bash
# The core's folders are rooms in a stack: each may include its own headers
# and those of the rooms below it, never one above or beside it, so a picture
# of the core's includes shows every arrow pointing down. modules.h (the
# process-wide state) sits between the services it gathers and the forms
# that use it.
#   check_rooms.sh <source dir>
set -euo pipefail
core=$1/src/core

# Lowest first; rooms on one line share a level and may not include each
# other.
levels=(
  "ui files"
  "settings"
  "images"
  "sound"
  "modules.h"
  "display dialog"
  "startup"
)

declare -A level_of
for i in "${!levels[@]}"; do
  for room in ${levels[$i]}; do level_of[$room]=$i; done
done

status=0
while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#\s*include\s*"([^"]+)".*/\1/' <<<"$line")
  relative=${file#"$core"/}
  from=${relative%%/*}
  to=${header%%/*}
  [[ $to == platform ]] && continue
  if [[ -z ${level_of[$from]+set} || -z ${level_of[$to]+set} ]]; then
    echo "$relative includes \"$header\": a room the stack does not list"
    status=1
  elif [[ $from != "$to" && ${level_of[$to]} -ge ${level_of[$from]} ]]; then
    echo "$relative includes \"$header\": $from may not look up or across to $to"
    status=1
  fi
done < <(grep -rHE '^\s*#\s*include\s*"' "$core")

[ $status -eq 0 ] && echo "the core's rooms depend downwards: ok"
exit $status
