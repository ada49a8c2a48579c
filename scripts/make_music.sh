#!/usr/bin/env bash
# Rebuilds the soundtrack generator and regenerates data/music.ogg, then prints the levels the
# scenes will read from it: scripts/make_music.sh [build dir, default build-music-tools]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-music-tools}
cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release -DGLIMMER_TOOLS=ON -DGLIMMER_TESTS=OFF \
  -DGLIMMER_BENCH=OFF >/dev/null
cmake --build "$root/$dir" -j"$(nproc)" --target make_music music_levels
cd "$root"
"$root/$dir/tools/music/make_music" data/music.ogg
"$root/$dir/tools/music/music_levels" data/music.ogg
