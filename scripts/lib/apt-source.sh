# apt-source.sh - sourced by scripts/setup: the machine's own package archive,
# so that the source entry setup adds names the archive (or mirror) the
# machine already uses and the script names no host of its own.

# The package lists apt reads, in its order: sources.list, then the .list and
# .sources files of sources.list.d by name.
ps_apt_source_files() {   # [apt folder, default /etc/apt]
  local apt=${1:-/etc/apt} f
  [ -f "$apt/sources.list" ] && echo "$apt/sources.list"
  for f in "$apt"/sources.list.d/*.list "$apt"/sources.list.d/*.sources; do
    [ -f "$f" ] && echo "$f"
  done | LC_ALL=C sort
}

# Stanzas of a .sources file; continuation lines (an embedded key) are not
# copied.
ps_deb822_sources='
function flush() {
  if (types ~ /(^| )deb( |$)/ && enabled != "no" && uri != "" && suite != "" && suite !~ /\/$/)
    printf "%s\t%s\t%s\t%s\n", uri, suite, (comps == "" ? "main" : comps), signed
  types = ""; uri = ""; suite = ""; comps = ""; signed = ""; enabled = ""
}
/^[ \t]*#/ { next }
/^[ \t]*$/ { flush(); next }
/^[ \t]/ { next }
{
  colon = index($0, ":")
  if (!colon) next
  field = tolower(substr($0, 1, colon - 1))
  value = substr($0, colon + 1)
  gsub(/^[ \t]+|[ \t]+$/, "", value)
  if (field == "types") types = value
  else if (field == "uris") { split(value, v, /[ \t]+/); uri = v[1] }
  else if (field == "suites") { split(value, v, /[ \t]+/); suite = v[1] }
  else if (field == "components") comps = value
  else if (field == "signed-by") signed = value
  else if (field == "enabled") enabled = tolower(value)
}
END { flush() }'

# "deb [options] address suite components..." lines.
ps_one_line_sources='
/^[ \t]*deb[ \t]/ {
  sub(/#.*/, "")
  n = split($0, t, /[ \t]+/)
  i = 1
  while (i <= n && t[i] == "") i++
  i++
  signed = ""
  if (t[i] ~ /^\[/) {
    while (i <= n) {
      o = t[i]
      gsub(/[\[\]]/, "", o)
      if (o ~ /^signed-by=/) signed = substr(o, 11)
      if (t[i] ~ /\]$/) { i++; break }
      i++
    }
  }
  uri = t[i]; suite = t[i + 1]; comps = ""
  for (j = i + 2; j <= n; j++) if (t[j] != "") comps = comps (comps == "" ? "" : " ") t[j]
  if (uri != "" && suite != "" && suite !~ /\/$/)
    printf "%s\t%s\t%s\t%s\n", uri, suite, (comps == "" ? "main" : comps), signed
}'

# Prints the first enabled binary ("deb") source as four tab-separated fields:
# archive address, its first suite, its components, and its Signed-By value
# (may be empty). Flat repositories (suite ending in "/") name no archive and
# are passed over. Returns 1 when there is none.
ps_first_binary_source() {   # [apt folder, default /etc/apt]
  local files f found
  files=$(ps_apt_source_files "${1:-}")
  [ -n "$files" ] || return 1
  found=$(while IFS= read -r f; do
    case "$f" in
      *.sources) awk "$ps_deb822_sources" "$f" ;;
      *) awk "$ps_one_line_sources" "$f" ;;
    esac
  done <<<"$files" | head -n 1)
  [ -n "$found" ] || return 1
  printf '%s\n' "$found"
}
