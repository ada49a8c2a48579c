#!/usr/bin/env bash
# Sets up, builds and runs the show from the repository root. Options go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
echo "play: building build/release (the first build takes a few minutes)..." >&2
"$root/scripts/build.sh" build/release -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF >/dev/null
for argument in "$@"; do
  # A web page needs the player in the build folder.
  if [[ "$argument" == *.html ]]; then "$root/scripts/setup-web-player.sh" build/release; fi
done
cd "$root"
exec "$root/build/release/glimmerfolding" "$@"
