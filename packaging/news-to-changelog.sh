#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Turns NEWS.md into a Debian changelog: each "## VERSION (YYYY-MM-DD)" heading
# becomes an entry, each "- " item a "  * " line, indented lines continue it.
#   news-to-changelog.sh <NEWS.md> <package> <maintainer> <output>
set -euo pipefail
news=$1 package=$2 maintainer=$3 out=$4
awk -v pkg="$package" -v who="$maintainer" '
  function close_entry() {
    if (date != "") {
      # Releases of one day are stamped an hour apart, the newest at noon.
      cmd = "LC_ALL=C date -u -R -d \"" date " 12:00 UTC -" sameDay[date]++ " hours\""
      cmd | getline stamp; close(cmd)
      printf "\n -- %s  %s\n", who, stamp
    }
  }
  /^## / {
    close_entry()
    if ($0 !~ /^## [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/) {
      print "bad release heading: " $0 > "/dev/stderr"; bad = 1; exit 1
    }
    if (date != "") printf "\n"
    printf "%s (%s) unstable; urgency=medium\n\n", pkg, $2
    date = substr($3, 2, 10); next
  }
  date == "" { next }
  /^- /  { sub(/^- /, ""); printf "  * %s\n", $0; next }
  /^  [^ ]/ { sub(/^  /, ""); printf "    %s\n", $0; next }
  END { if (!bad) close_entry() }
' "$news" >"$out"
