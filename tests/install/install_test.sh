#!/bin/sh
# cmake --install into a temporary prefix: the files land where they belong, with no empty folder;
# the install says where PATH must point and how to uninstall; the installed program, started from a
# folder without data, records the same cast as the build's program does from the repository root,
# and a web page with the installed player when the build holds one. Without its installed data it
# names the places it tried. The uninstall target then removes every file and the show's folders.
# Usage: install_test.sh BUILD_FOLDER SOURCE_FOLDER
set -eu
build=$1
source=$2
unset GLIMMER_DATA
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; fail "install failed"; }
for file in bin/glimmerfolding share/man/man6/glimmerfolding.6 share/doc/glimmerfolding/README.md \
  share/doc/glimmerfolding/LICENSE; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/glimmerfolding" ] || fail "bin/glimmerfolding is not executable"
empty=$(find "$prefix" -type d -empty)
[ -z "$empty" ] || fail "empty folders installed: $empty"
grep -qF -- "-- $prefix/bin is not on PATH: add it there" "$work/install.log" ||
  fail "the install did not say that $prefix/bin is not on PATH: $(cat "$work/install.log")"
grep -qF -- "-- To uninstall: cmake --build \"$build\" --target uninstall" "$work/install.log" ||
  fail "the install did not say how to uninstall"
# Installed again with the folder on PATH (written with a trailing slash): no word about PATH.
PATH="$prefix/bin/:$PATH" cmake --install "$build" --prefix "$prefix" > "$work/again.log" || fail "installing again failed"
if grep -q "is not on PATH" "$work/again.log"; then fail "PATH named although $prefix/bin is on it"; fi
diff -r -x web-player "$source/data" "$prefix/share/glimmerfolding" > /dev/null || fail "share/glimmerfolding differs from data/"

mkdir "$work/elsewhere"
(cd "$work/elsewhere" && "$prefix/bin/glimmerfolding" --record installed.cast --to 500) ||
  fail "the installed program did not record from another folder"
(cd "$source" && "$build/glimmerfolding" --record "$work/built.cast" --to 500) ||
  fail "the build's program did not record from the repository root"
cmp "$work/elsewhere/installed.cast" "$work/built.cast" || fail "the two recordings differ"

# A web page from another folder: with the player installed from the build folder, else one line
# says that it is missing and nothing is written.
player=$prefix/share/glimmerfolding/web-player
status=0
(cd "$work/elsewhere" && "$prefix/bin/glimmerfolding" --record page.html --to 500) > "$work/page.log" 2>&1 || status=$?
if [ -f "$build/web-player/node_modules/asciinema-player/LICENSE" ]; then
  if grep -q "Not installed: the web player" "$work/install.log"; then fail "the install says the player is missing"; fi
  [ "$status" -eq 0 ] || fail "the installed program did not record a web page: $(cat "$work/page.log")"
  cmp "$player/dist/bundle/asciinema-player.min.js" "$work/elsewhere/page_files/asciinema-player.min.js" ||
    fail "the web page's player is not the installed one"
else
  grep -qF "Not installed: the web player, which --record NAME.html needs; run scripts/setup-web-player.sh \"$build\"" \
    "$work/install.log" || fail "the install did not say that the player is missing"
  [ ! -e "$player" ] || fail "a web player folder without the player was installed"
  [ "$status" -eq 1 ] || fail "status $status for a web page without the player (expected 1)"
  grep -q "the asciinema web player is missing (looked in $player): run scripts/setup-web-player.sh" "$work/page.log" ||
    fail "message without the player: $(cat "$work/page.log")"
  [ ! -e "$work/elsewhere/page.html" ] && [ ! -e "$work/elsewhere/page_files" ] || fail "a web page was left behind"
fi

# The data moved away: one line names the places tried, and the build's source tree is not one.
mv "$prefix/share/glimmerfolding" "$work/moved"
status=0
(cd "$work/elsewhere" && "$prefix/bin/glimmerfolding" --record again.cast --to 100) > "$work/message" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "status $status without data (expected 1)"
expected="glimmerfolding: cannot find the show's data (music.ogg); tried data, $prefix/share/glimmerfolding; set GLIMMER_DATA to the folder that holds it"
[ "$(cat "$work/message")" = "$expected" ] || fail "message without data: $(cat "$work/message")"
[ ! -e "$work/elsewhere/again.cast" ] || fail "a recording was left behind"

# GLIMMER_DATA names the moved folder.
(cd "$work/elsewhere" && GLIMMER_DATA="$work/moved" "$prefix/bin/glimmerfolding" --record moved.cast --to 500) ||
  fail "the program did not record with GLIMMER_DATA"
cmp "$work/elsewhere/moved.cast" "$work/built.cast" || fail "the recording with GLIMMER_DATA differs"
mv "$work/moved" "$prefix/share/glimmerfolding"

# Uninstalling: every file of the manifest goes, and the folders named after the show; the folders
# that others share stay. A second run finds nothing to do.
touch "$prefix/share/doc/keep-me"
cmake --build "$build" --target uninstall > "$work/uninstall.log" 2>&1 || { cat "$work/uninstall.log"; fail "uninstall failed"; }
left=$(find "$prefix" -type f ! -name keep-me)
[ -z "$left" ] || fail "files left after uninstalling: $left"
[ -z "$(find "$prefix" -name 'glimmerfolding*')" ] || fail "folders left after uninstalling: $(find "$prefix" -name 'glimmerfolding*')"
[ -f "$prefix/share/doc/keep-me" ] && [ -d "$prefix/bin" ] || fail "uninstalling removed what was not installed"
cmake --build "$build" --target uninstall > "$work/uninstall.log" 2>&1 || { cat "$work/uninstall.log"; fail "a second uninstall failed"; }
grep -q "Nothing to uninstall" "$work/uninstall.log" || fail "a second uninstall did not say there was nothing to do"
echo "install_test: installed, recorded from $work/elsewhere, same cast as from the repository root; uninstalled"
