#!/usr/bin/env bash
# Installs the asciinema web player that `--record NAME.html` copies beside its page, at the one
# version web-player/package-lock.json pins, into BUILD/web-player (never into the source tree):
#   scripts/setup-web-player.sh BUILD       e.g. build/release; relative to the repository root
# Quick when that version is already there. Installs npm (Debian's package) when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -eq 1 ]] || { echo "usage: scripts/setup-web-player.sh BUILD_FOLDER" >&2; exit 2; }
build=$1
[[ "$build" == /* ]] || build=$root/$build
target=$build/web-player
player=$target/node_modules/asciinema-player/dist/bundle

if cmp -s "$root/web-player/package-lock.json" "$target/package-lock.json" &&
  [[ -f "$player/asciinema-player.min.js" && -f "$player/asciinema-player.css" ]]; then
  exit 0
fi
command -v npm >/dev/null || "$root/scripts/setup.sh" --web
mkdir -p "$target"
cp "$root/web-player/package.json" "$root/web-player/package-lock.json" "$target/"
echo "setup-web-player: installing the web player into $target" >&2
# npm ci installs exactly what the lock file names, checking each package's hash, and runs no
# package scripts.
(cd "$target" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
[[ -f "$player/asciinema-player.min.js" ]] || { echo "setup-web-player: the player is not in $player" >&2; exit 1; }
