#!/usr/bin/env bash
# Each folder of the program may include headers only from its own floor and
# the floors below it: unzip, toolkit < install < system < forms < setup.
# Prints every include that looks up and fails if there is one.
set -uo pipefail
root=${1:?usage: check_layers.sh SOURCE_DIR}
cd "$root"
declare -A floor=([unzip]=0 [toolkit]=0 [install]=1 [system]=2 [forms]=3 [setup]=4)
declare -A home=()
for dir in "${!floor[@]}"; do
  for header in "$dir"/*.h; do
    [ -e "$header" ] && home[$(basename "$header")]=$dir
  done
done
bad=0
for dir in "${!floor[@]}"; do
  for file in "$dir"/*.cpp "$dir"/*.h; do
    [ -e "$file" ] || continue
    while IFS= read -r header; do
      owner=${home[$header]:-}
      [ -n "$owner" ] || continue
      if [ "$owner" != "$dir" ] && [ "${floor[$owner]}" -ge "${floor[$dir]}" ]; then
        echo "$file includes $header from $owner/"
        bad=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done
done
[ "$bad" -eq 0 ] && echo "layers: every include looks down"
exit "$bad"
