#!/bin/sh
# Rebuilds the asset generators and regenerates every mesh and image under data/ (the music has
# its own generator). Usage: scripts/make_assets.sh [build folder]   (default: build-make-assets)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-make-assets"}
cmake -S "$root" -B "$build" -DGLIMMER_TOOLS=ON -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target make_assets
mkdir -p "$root/data"
"$build/tools/assets/make_assets" "$root/data"
echo "meshes and images written to $root/data"
