#!/usr/bin/env bash
# Installs the Debian packages the show needs to build and run (with --tests, also to run its tests;
# with --fuzz, to build the fuzz targets; with --package, to make its Debian package; with --web, npm
# for scripts/setup-web-player.sh).
# Quick when everything is already there: only missing packages are installed (scripts/install-missing.sh,
# which waits for apt's lock when another package manager holds it).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  libvorbis-dev libpulse-dev libasound2-dev libkissfft-dev libpng-dev zlib1g-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev
)
for extra in "$@"; do
  case "$extra" in
    --tests) packages+=(pulseaudio asciinema python3 dpkg-dev file groff-base mandoc ffmpeg
      chromium chromium-driver python3-selenium python3-pil) ;;
    --web) packages+=(npm) ;;
    --package) packages+=(dpkg-dev file) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *) echo "setup: unknown option $extra (use --tests, --fuzz, --package or --web)" >&2; exit 2 ;;
  esac
done

exec "$(dirname "$0")/install-missing.sh" setup "${packages[@]}"
