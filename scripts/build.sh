#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]   (DIR relative to the
# repository root). Configuring again is quick when nothing changed, and makes the options given here
# the ones in force. Compiles through ccache when it is installed (it is not needed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
launcher=$(command -v ccache || true)
cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER_LAUNCHER="$launcher" \
  -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" "$@" >/dev/null
cmake --build "$root/$dir" -j"$(nproc)"
