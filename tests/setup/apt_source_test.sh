#!/usr/bin/env bash
# apt_source_test.sh - the archive scripts/setup takes for its deb-src entry:
# the first enabled binary source of apt folders made here, in apt's order and
# in both formats; and setup itself names no host. Run in a scratch folder.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$top/scripts/lib/apt-source.sh"
failures=0
tab=$'\t'

# <name> <expected line, or "none"> then files as <path>=<content> pairs
check() {
  local name=$1 want=$2 root got rc
  shift 2
  root=$(mktemp -d "$PWD/apt.XXXXXX")
  mkdir -p "$root/sources.list.d"
  while [ $# -gt 0 ]; do
    printf '%s\n' "${1#*=}" > "$root/${1%%=*}"
    shift
  done
  got=$(ps_first_binary_source "$root")
  rc=$?
  if [ "$want" = none ]; then
    [ $rc -ne 0 ] && [ -z "$got" ] || { echo "FAIL $name: wanted no source, got '$got' (rc $rc)"; failures=$((failures + 1)); }
  elif [ $rc -ne 0 ] || [ "$got" != "$want" ]; then
    echo "FAIL $name: wanted '$want', got '$got' (rc $rc)"
    failures=$((failures + 1))
  fi
  rm -rf "$root"
}

check "one-line: options, a deb-src line and comments before it" \
  "http://mirror.one/debian${tab}bookworm${tab}main contrib${tab}/k/one.gpg" \
  "sources.list=# deb http://commented.out/debian bookworm main
deb-src http://src.only/debian bookworm main
   deb [arch=amd64 signed-by=/k/one.gpg] http://mirror.one/debian bookworm main contrib # trailing note
deb http://second.one/debian bookworm main"

check "one-line without options or components" \
  "http://bare.one/debian${tab}sid${tab}main${tab}" \
  "sources.list=deb http://bare.one/debian sid"

check "deb822: deb-src and disabled stanzas passed over; first address and suite" \
  "http://two.a/debian${tab}trixie${tab}main non-free${tab}/k/two.gpg" \
  "sources.list.d/debian.sources=Types: deb-src
URIs: http://src.two/debian
Suites: trixie
Components: main

# a comment between stanzas
Types: deb
Enabled: no
URIs: http://off.two/debian
Suites: trixie
Components: main

types: deb-src deb
uris: http://two.a/debian http://two.b/debian
suites: trixie trixie-updates
components: main non-free  
signed-by: /k/two.gpg"

check "sources.list before sources.list.d, then the folder by name, .list and .sources alike" \
  "http://a.three/debian${tab}stable${tab}main${tab}" \
  "sources.list=# nothing here" \
  "sources.list.d/b.list=deb http://b.three/debian stable main" \
  "sources.list.d/a.sources=Types: deb
URIs: http://a.three/debian
Suites: stable"

check "a flat repository names no archive" \
  "http://real.four/debian${tab}bookworm${tab}main${tab}" \
  "sources.list=deb [trusted=yes] http://flat.four/repo ./
deb http://real.four/debian bookworm main"

check "files apt does not read, and sources only of sources: none" none \
  "sources.list=deb-src http://src.five/debian bookworm main" \
  "sources.list.d/off.list.disabled=deb http://off.five/debian bookworm main" \
  "sources.list.d/x.sources.save=Types: deb
URIs: http://save.five/debian
Suites: bookworm"

check "an empty apt folder: none" none

# The script that writes the entry spells out no address of its own.
if grep -nE '[a-z]+://' "$top/scripts/setup"; then
  echo "FAIL scripts/setup names an address"
  failures=$((failures + 1))
fi

[ $failures -eq 0 ] && echo "all cases passed"
exit $((failures > 0))
