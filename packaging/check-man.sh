#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the manual page as `man mira.nol` shows it: no warning from the formatter, a NAME line that
# whatis and apropos can read, and the sections a user looks for.
#   check-man.sh <page>
set -euo pipefail
page=$1
fail() { echo "check-man: $*" >&2; exit 1; }
if ! command -v man >/dev/null || ! command -v lexgrog >/dev/null; then
  echo "check-man: man-db is not installed; the manual page is not checked"
  exit 77
fi
[ -f "$page" ] || fail "no manual page at $page"

# The formatter's own warnings: unknown macros, bad escapes, lines it cannot fit.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || true
[ -z "$warnings" ] || fail "the formatter warns: $warnings"

whatis=$(lexgrog "$page" 2>&1) || fail "whatis cannot read the NAME section: $whatis"
case "$whatis" in
  *'"mira.nol - '*) ;;
  *) fail "the NAME section reads as: $whatis" ;;
esac

text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l -Tutf8 "$page" 2>/dev/null | sed 's/.\x08//g')
for heading in NAME SYNOPSIS DESCRIPTION OPTIONS "THE COLLECTION" "USING THE PLAYER" FILES ENVIRONMENT \
               "EXIT STATUS" DIAGNOSTICS; do
  grep -qx "$heading" <<<"$text" || fail "no section $heading"
done
for word in "--help" "--version" "data/play.lst" "sndlib.so" "XDG_CACHE_HOME"; do
  grep -qF -- "$word" <<<"$text" || fail "the page never mentions $word"
done
# The version on the page is the program's.
grep -q "mira.nol [0-9]" <<<"$text" || fail "the page carries no version"
echo "check-man: the manual page formats cleanly and has every section"
