#!/usr/bin/env bash
# Configures (once) and builds one build tree: scripts/build.sh DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
if [[ ! -f "$root/$dir/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
fi
cmake --build "$root/$dir" -j"$(nproc)"
