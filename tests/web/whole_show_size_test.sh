#!/bin/sh
# The web page of the whole show, with the player from this build folder: the page and its folder
# together stay under 12 MB (12,000,000 bytes), small enough for any static host, and the recording
# in it runs to the end of the music, as the line the program prints says.
# Usage: whole_show_size_test.sh PROGRAM SOURCE_FOLDER
set -eu
program=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "whole_show_size_test: $*" >&2; exit 1; }

(cd "$source" && "$program" --record "$work/show.html") > "$work/log" 2>&1 || fail "recording failed: $(cat "$work/log")"
size=$(du -cb "$work/show.html" "$work/show_files" | tail -n 1 | cut -f 1)
cast=$(wc -c < "$work/show_files/show.cast.js")
music=$(wc -c < "$work/show_files/music.js")
echo "whole_show_size_test: $size bytes (the recording $cast, the music $music, both as scripts)"
[ "$size" -lt 12000000 ] || fail "the page and its folder take $size bytes, 12000000 at most"
grep -q "^glimmerfolding: wrote $work/show.html and $work/show_files/: 9480 frames, 158.0 s of the show, " "$work/log" ||
  fail "the recording did not say what it wrote: $(cat "$work/log")"
