#!/usr/bin/env bash
# Installs the Debian packages the show needs to build and run (with --tests, also to run its tests;
# with --fuzz, to build the fuzz targets; with --package, to make its Debian package; with --web, npm
# for scripts/setup-web-player.sh).
# Quick when everything is already there: only missing packages are installed.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  libvorbis-dev libpulse-dev libasound2-dev libkissfft-dev libpng-dev zlib1g-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev
)
for extra in "$@"; do
  case "$extra" in
    --tests) packages+=(pulseaudio asciinema python3 dpkg-dev file groff-base mandoc
      chromium chromium-driver python3-selenium python3-pil) ;;
    --web) packages+=(npm) ;;
    --package) packages+=(dpkg-dev file) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *) echo "setup: unknown option $extra (use --tests, --fuzz, --package or --web)" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
