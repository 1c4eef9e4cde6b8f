#!/usr/bin/env bash
# Finds out whether apt can fetch source packages of this release's main
# component (libjpeg is built for Windows from its Debian source package).
#   - a deb-src entry is configured: prints nothing;
#   - none, but a binary entry for the same archive is: prints the file to
#     create on the first line and the entry to put in it on the next ones,
#     copied from that binary entry (its mirror, keys and options, so nothing
#     is trusted that the machine does not trust already);
#   - neither: explains on stderr and exits 1.
# Reads the places apt reads (apt-config), so APT_CONFIG is honoured.
set -eu

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -z "$codename" ]; then
  echo "deps: /etc/os-release names no release (VERSION_CODENAME), so the deb-src entry cannot be checked" >&2
  exit 1
fi
eval "$(apt-config shell apt_list Dir::Etc::sourcelist/f apt_parts Dir::Etc::sourceparts/d)"
one_line_files=() deb822_files=()
for f in "$apt_list" "$apt_parts"*.list; do [ -f "$f" ] && one_line_files+=("$f"); done
for f in "$apt_parts"*.sources; do [ -f "$f" ] && deb822_files+=("$f"); done

# The deb822 stanzas (each followed by a blank line) whose Types hold $1 and
# that cover "$codename main"; disabled stanzas and comments are left out.
deb822_entries() {
  [ ${#deb822_files[@]} -gt 0 ] || return 0
  awk -v want="$1" -v suite="$codename" '
    function has(list, word,   a, i, k) {
      k = split(list, a, /[ \t]+/)
      for (i = 1; i <= k; i++) if (a[i] == word) return 1
      return 0
    }
    function flush() {
      if (text != "" && on && has(types, want) && has(suites, suite) && has(comps, "main"))
        printf "%s\n\n", text
      text = types = suites = comps = ""; on = 1
    }
    FNR == 1 { flush() }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    {
      text = text (text == "" ? "" : "\n") $0
      if (match($0, /^[A-Za-z0-9-]+:/)) {
        key = tolower(substr($0, 1, RLENGTH - 1)); value = substr($0, RLENGTH + 1)
        if (key == "types") types = value
        else if (key == "suites") suites = value
        else if (key == "components") comps = value
        else if (key == "enabled") on = (tolower(value) !~ /no/)
      }
    }
    END { flush() }' "${deb822_files[@]}"
}

# The one-line entries of type $1 for "$codename main", as "[options]|URI".
one_line_entries() {
  [ ${#one_line_files[@]} -gt 0 ] || return 0
  awk -v want="$1" -v suite="$codename" '
    { sub(/#.*/, "") }
    $1 != want { next }
    {
      line = $0; sub(/^[ \t]*[^ \t]+[ \t]+/, "", line); options = ""
      if (line ~ /^\[/) { options = substr(line, 1, index(line, "]")); line = substr(line, index(line, "]") + 1) }
      sub(/^[ \t]+/, "", line); n = split(line, f, /[ \t]+/)
      if (f[2] != suite) next
      for (i = 3; i <= n; i++) if (f[i] == "main") { print options "|" f[1]; next }
    }' "${one_line_files[@]}"
}

# The first binary stanza turned into a source stanza for "$codename main".
deb822_source_entry() {
  deb822_entries deb | awk -v suite="$codename" '
    done { next }
    /^$/ { done = 1; next }
    /^[ \t]/ { if (keep) print; next }
    {
      key = tolower(substr($0, 1, index($0, ":") - 1)); keep = 1
      if (key == "types") print "Types: deb-src"
      else if (key == "suites") print "Suites: " suite
      else if (key == "components") print "Components: main"
      else if (key == "architectures" || key == "enabled") keep = 0
      else print
    }'
}

# The first binary line turned into a source line; architectures do not apply.
one_line_source_entry() {
  one_line_entries deb | awk -F'|' -v suite="$codename" 'NR == 1 {
    options = $1; gsub(/arch=[^ \]]*/, "", options); gsub(/[ \t]+/, " ", options)
    sub(/^\[ /, "[", options); sub(/ \]$/, "]", options)
    if (options == "[]") options = ""
    print "deb-src " (options == "" ? "" : options " ") $2 " " suite " main"
  }'
}

if [ -n "$(deb822_entries deb-src)$(one_line_entries deb-src)" ]; then
  exit 0
elif [ -n "$(deb822_entries deb)" ]; then
  echo "${apt_parts}setup-deb-src.sources"
  deb822_source_entry
elif [ -n "$(one_line_entries deb)" ]; then
  echo "${apt_parts}setup-deb-src.list"
  one_line_source_entry
else
  echo "deps: apt has no deb-src entry for \"$codename main\" and no deb entry to derive one from" \
    "(looked in $apt_list, ${apt_parts}*.list and ${apt_parts}*.sources)." >&2
  echo "deps: add a \"deb-src <your Debian mirror> $codename main\" entry and run again." >&2
  exit 1
fi
