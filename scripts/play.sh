#!/usr/bin/env bash
# Sets up, builds and runs the show from the repository root. Options go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
echo "play: building build/release (the first build takes a few minutes)..." >&2
"$root/scripts/build.sh" build/release -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF >/dev/null
cd "$root"
exec "$root/build/release/glimmerfolding" "$@"
