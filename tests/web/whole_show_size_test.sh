#!/bin/sh
# The web page of the whole show, with the player from this build folder: the page and its folder
# together stay under 12 MB (12,000,000 bytes), small enough for any static host, and the cast in
# it runs to the end of the music.
# Usage: whole_show_size_test.sh PROGRAM SOURCE_FOLDER
set -eu
program=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "whole_show_size_test: $*" >&2; exit 1; }

(cd "$source" && "$program" --record "$work/show.html") > "$work/log" 2>&1 || fail "recording failed: $(cat "$work/log")"
size=$(du -cb "$work/show.html" "$work/show_files" | tail -n 1 | cut -f 1)
cast=$(wc -c < "$work/show_files/show.cast.gz")
music=$(wc -c < "$work/show_files/music.ogg")
echo "whole_show_size_test: $size bytes (the cast $cast compressed, the music $music)"
[ "$size" -lt 12000000 ] || fail "the page and its folder take $size bytes, 12000000 at most"
last=$(gzip -dc "$work/show_files/show.cast.gz" | tail -n 1 | cut -c 1-5)
[ "$last" = "[157." ] || fail "the cast ends at $last, not at the end of the music (157.98 s)"
