#!/usr/bin/env bash
# Each folder of the program may include headers only from its own floor and
# the floors below it: unzip, toolkit < install < system < forms < setup.
# Prints every include that looks up and fails if there is one.
set -uo pipefail
root=${1:?usage: check_layers.sh SOURCE_DIR}
cd "$root"
declare -A floor=([unzip]=0 [toolkit]=0 [install]=1 [system]=2 [forms]=3 [setup]=4)
declare -A home=()
# A header is known by the path it is included with: its path below its
# floor's folder (unzip/ groups its files in sub-folders).
for dir in "${!floor[@]}"; do
  while IFS= read -r header; do
    home[${header#"$dir"/}]=$dir
  done < <(find "$dir" -name '*.h')
done
bad=0
for dir in "${!floor[@]}"; do
  while IFS= read -r file; do
    while IFS= read -r header; do
      owner=${home[$header]:-}
      [ -n "$owner" ] || continue
      if [ "$owner" != "$dir" ] && [ "${floor[$owner]}" -ge "${floor[$dir]}" ]; then
        echo "$file includes $header from $owner/"
        bad=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done < <(find "$dir" -name '*.cpp' -o -name '*.h')
done
[ "$bad" -eq 0 ] && echo "layers: every include looks down"
exit "$bad"
