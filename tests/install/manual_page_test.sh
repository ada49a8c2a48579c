#!/bin/sh
# The manual page renders without a warning (groff -ww, and mandoc's lint where it is installed) and
# names every option that --help lists.
# Usage: manual_page_test.sh PROGRAM MANUAL_PAGE
set -eu
program=$1
page=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "manual_page_test: $*" >&2; exit 1; }

LC_ALL=C.UTF-8 groff -ww -man -Tutf8 "$page" > "$work/page.txt" 2> "$work/groff.log" || fail "groff failed"
[ ! -s "$work/groff.log" ] || { cat "$work/groff.log" >&2; fail "groff warns"; }
if command -v mandoc > /dev/null; then
  mandoc -T lint -W warning "$page" > "$work/mandoc.log" 2>&1 || { cat "$work/mandoc.log" >&2; fail "mandoc warns"; }
else
  echo "manual_page_test: mandoc is not installed; its lint was not run"
fi

"$program" --help > "$work/help.txt"
options=$(grep -o -- '--[a-z]*' "$work/help.txt" | sort -u)
[ -n "$options" ] || fail "--help lists no option"
# Each option is the tag of a paragraph: a line ".B \-\-mute", ".BI \-\-colors ..." and so on.
for option in $options; do
  pattern=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
  grep -q -- "^\.B[IR]* $pattern\( \|\$\)" "$page" || fail "the manual page does not describe $option"
done
echo "manual_page_test: clean, and describes $(echo $options | wc -w) options"
