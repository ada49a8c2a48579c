#!/usr/bin/env bash
# Sets up, builds and runs the show:  scripts/play.sh [OPTIONS...]
# Installs the Debian packages that are missing, builds the Release build in build/release when
# something changed (saying so only then), and runs the program in the folder it was called from,
# with the options given: `scripts/play.sh --record show.cast` writes show.cast there. An output
# ending in .html also sets up the web player that web pages need, once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=build/release
program=$root/$build/glimmerfolding
"$root/scripts/setup.sh"

# The build says what it does only when it compiles something: on the first build at once (it takes
# a few minutes), later at its first compile step. On a terminal the note counts up the percentage.
first_build=
[[ -x "$program" ]] || first_build=1
report_build() {
  local note="play: rebuilding $build..." said= line percent
  if [[ -n "$first_build" ]]; then
    note="play: building $build (the first build takes a few minutes)..."
    echo "$note" >&2
    said=1
  fi
  while IFS= read -r line; do
    # Make's "[ 45%] Building ..." or Ninja's "[12/80] Building ...".
    [[ "$line" =~ ^\[\ *([0-9]+)(%|/([0-9]+))\]\ (Building|Linking) ]] || continue
    percent=${BASH_REMATCH[1]}
    [[ -z "${BASH_REMATCH[3]}" ]] || percent=$((100 * percent / BASH_REMATCH[3]))
    if [[ -z "$said" ]]; then
      echo "$note" >&2
      said=1
    fi
    [[ -t 2 ]] && printf '\rplay: %s%% built' "$percent" >&2
  done
  [[ -n "$said" && -t 2 ]] && printf '\rplay: built %s        \n' "$build" >&2
  return 0
}
if ! "$root/scripts/build.sh" "$build" -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF | report_build; then
  [[ -t 2 ]] && echo >&2
  echo "play: the build failed; the compiler's messages are above" >&2
  exit 1
fi

web_page=
for argument in "$@"; do
  [[ "$argument" == *.html ]] && web_page=1
done
if [[ -n "$web_page" ]]; then
  "$root/scripts/setup-web-player.sh" "$build"  # quick when the player is there
elif [[ -n "$first_build" && ! -d "$root/$build/web-player/node_modules" ]]; then
  echo "play: web pages (--record NAME.html) need the web player, which this script sets up the first" >&2
  echo "play: time you record one (with npm from Debian); scripts/setup-web-player.sh $build does it now" >&2
fi

exec "$program" "$@"
