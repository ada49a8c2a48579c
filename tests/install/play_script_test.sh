#!/bin/sh
# scripts/play.sh from a copy of the scripts in a folder whose path has a space, with stand-ins for
# dpkg-query (everything installed), cmake (a build that compiles only when asked to) and npm: the
# program runs in the caller's folder with the options as given; the building note comes only with a
# build, the first one at once, and a failed build stops it; the web player is set up when an output
# is a web page, and the first build says once how to get it otherwise.
# Usage: play_script_test.sh SOURCE_FOLDER
set -eu
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "play_script_test: $*" >&2; exit 1; }

clone="$work/a clone"
mkdir -p "$clone/scripts" "$clone/web-player" "$work/bin" "$work/my folder"
for script in play.sh build.sh setup.sh install-missing.sh setup-web-player.sh; do
  cp "$source/scripts/$script" "$clone/scripts/"
done
cp "$source/web-player/package.json" "$source/web-player/package-lock.json" "$clone/web-player/"

printf '#!/bin/sh\nprintf "install ok installed"\n' > "$work/bin/dpkg-query"
# cmake: configuring makes the folder; building compiles when the program is missing or
# $FAKE_STATE/changed exists, and the program it makes says where it runs and with what.
cat > "$work/bin/cmake" << 'EOF'
#!/bin/sh
if [ "$1" = --build ]; then
  if [ -e "$FAKE_STATE/broken" ]; then
    echo "[ 50%] Building CXX object src/app/CMakeFiles/main.cpp.o"
    echo "main.cpp:1:1: error: expected declaration" >&2
    exit 2
  fi
  if [ ! -x "$2/glimmerfolding" ] || [ -e "$FAKE_STATE/changed" ]; then
    echo "[ 50%] Building CXX object src/app/CMakeFiles/main.cpp.o"
    echo "[100%] Linking CXX executable glimmerfolding"
    printf '#!/bin/sh\necho "ran in $(pwd) with: $*"\n' > "$2/glimmerfolding"
    chmod +x "$2/glimmerfolding"
    rm -f "$FAKE_STATE/changed"
  fi
  echo "[100%] Built target glimmerfolding"
  exit 0
fi
while [ $# -gt 0 ]; do
  [ "$1" = -B ] && mkdir -p "$2"
  shift
done
EOF
# npm ci: lays out the player's package in the current folder.
cat > "$work/bin/npm" << 'EOF'
#!/bin/sh
echo "npm $*" >> "$FAKE_STATE/npm"
mkdir -p node_modules/asciinema-player/dist/bundle
touch node_modules/asciinema-player/dist/bundle/asciinema-player.min.js node_modules/asciinema-player/dist/bundle/asciinema-player.css
EOF
chmod +x "$work/bin"/*
export FAKE_STATE="$work"
PATH=$work/bin:$PATH
export PATH

play() {  # play OPTION...: from "my folder"; the program's words in $work/out, the script's in $work/err
  (cd "$work/my folder" && "$clone/scripts/play.sh" "$@") > "$work/out" 2> "$work/err" ||
    fail "play.sh $* failed: $(cat "$work/err")"
}

play --mute
[ "$(cat "$work/out")" = "ran in $work/my folder with: --mute" ] || fail "first run: $(cat "$work/out")"
grep -q "^play: building build/release (the first build takes a few minutes)...$" "$work/err" ||
  fail "the first build was not announced: $(cat "$work/err")"
[ "$(grep -c "scripts/setup-web-player.sh build/release" "$work/err")" -eq 1 ] ||
  fail "the first build did not say once how to get the web player: $(cat "$work/err")"

play --record "show one.cast"
[ "$(cat "$work/out")" = "ran in $work/my folder with: --record show one.cast" ] || fail "second run: $(cat "$work/out")"
[ ! -s "$work/err" ] || fail "words without a build: $(cat "$work/err")"

touch "$work/changed"
play
grep -q "^play: rebuilding build/release...$" "$work/err" || fail "a rebuild was not announced: $(cat "$work/err")"
grep -q "web player" "$work/err" && fail "the web player note came again"

# A failed build: the compiler's words, one line of the script's, and no show.
touch "$work/broken"
status=0
(cd "$work/my folder" && "$clone/scripts/play.sh" --mute) > "$work/out" 2> "$work/err" || status=$?
rm "$work/broken"
[ "$status" -eq 1 ] || fail "status $status after a failed build (expected 1)"
[ ! -s "$work/out" ] || fail "the show ran after a failed build"
grep -q "error: expected declaration" "$work/err" && grep -q "^play: the build failed" "$work/err" ||
  fail "a failed build was not reported: $(cat "$work/err")"

play --record=page.html --to=500
[ "$(cat "$work/out")" = "ran in $work/my folder with: --record=page.html --to=500" ] || fail "web page run: $(cat "$work/out")"
[ -f "$clone/build/release/web-player/node_modules/asciinema-player/dist/bundle/asciinema-player.min.js" ] ||
  fail "the web player was not set up for a web page"
play --record page.html
[ "$(wc -l < "$work/npm")" -eq 1 ] || fail "the web player was set up again: $(cat "$work/npm")"
echo "play_script_test: runs in the caller's folder, says it builds only when it does, sets up the web player"
