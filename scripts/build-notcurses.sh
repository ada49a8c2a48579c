#!/usr/bin/env bash
# Builds notcurses 3.0.17 into a build tree, for the frame encoder's byte benchmark only:
#   scripts/build-notcurses.sh [BUILD]          (BUILD defaults to build/dev)
# then builds BUILD/bench/encoder/encoder_bench against it, which compares the bytes the show's
# encoder writes with those of notcurses for the same frames (see DEVELOPING.md, Benchmarks).
#
# notcurses is neither a dependency of the show nor of its tests or CI: nothing else uses what this
# script makes. Debian 12 has no notcurses 3; its source package comes from Debian's unstable suite,
# fetched with `apt-get source` through an apt state of this script's own under
# BUILD/notcurses/apt (the machine's apt configuration stays as it is), and is built with Debian 12's
# own libraries only: libunistring, ncurses' terminfo and zlib, without multimedia (no ffmpeg or
# OpenImageIO), man pages or tests, into BUILD/notcurses/prefix, with one line of it mended (see
# below). Quick when it is there already.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/${1:-build/dev}
here=$build/notcurses
prefix=$here/prefix
version=3.0.17
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

say() { echo "build-notcurses: $*" >&2; }

[[ -f "$build/CMakeCache.txt" ]] || { say "${build#"$root"/} is not a configured build tree of the show"; exit 1; }

"$root/scripts/install-missing.sh" build-notcurses cmake make pkg-config dpkg-dev xz-utils \
  libunistring-dev libncurses-dev zlib1g-dev

if [[ ! -f "$prefix/.built" ]]; then
  # --- The source, from Debian's unstable suite, through a private apt state ----------------------
  apt_state=$here/apt
  apt_options=(
    -o "Dir::Etc::SourceList=$apt_state/sources.list"
    -o "Dir::Etc::SourceParts=$apt_state/sources.list.d"
    -o "Dir::State=$apt_state/state"
    -o "Dir::State::Lists=$apt_state/lists"
    -o "Dir::Cache=$apt_state/cache"
    -o "Debug::NoLocking=true"
    -o "APT::Sandbox::User=root"
  )
  source_dir=$(find "$here/src" -mindepth 1 -maxdepth 1 -type d -name "notcurses-$version*" 2>/dev/null |
                 head -n 1 || true)
  if [[ -z "$source_dir" ]]; then
    rm -rf "$apt_state" "$here/src"
    mkdir -p "$apt_state"/{sources.list.d,state,lists/partial,cache/archives/partial} "$here/src"
    # The machine's Debian mirror when it names one, else Debian's own.
    mirror=$(grep -hoE 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
               /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 | tr -d ' ' || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror unstable main" \
      >"$apt_state/sources.list"
    say "reading unstable's source package list (private apt state in ${apt_state#"$root"/})"
    apt-get "${apt_options[@]}" update -qq
    full=$(apt-cache "${apt_options[@]}" showsrc notcurses 2>/dev/null | awk '/^Version:/ {print $2}' |
             grep -E "^$version([+~-]|$)" | sort -rV | head -n 1 || true)
    [[ -n "$full" ]] || { say "Debian's unstable suite no longer has notcurses $version"; exit 1; }
    say "fetching the source of notcurses $full"
    (cd "$here/src" && apt-get "${apt_options[@]}" source -qq "notcurses=$full" >"$here/source.log" 2>&1) ||
      { say "apt-get source notcurses failed; see ${here#"$root"/}/source.log"; exit 1; }
    source_dir=$(find "$here/src" -mindepth 1 -maxdepth 1 -type d -name "notcurses-$version*" | head -n 1)
  fi

  # --- One line mended --------------------------------------------------------------------------------
  # notcurses 3.0.17 keeps the last palette-indexed background in the foreground's slot (lastr), so it
  # leaves out background changes that palette-indexed cells need, and 16-colour frames come out
  # wrong; the benchmark checks every frame, so it needs them right.
  render=$source_dir/src/lib/render.c
  if grep -q 'nc->rstate.lastr = palbg;' "$render"; then
    sed -i 's/nc->rstate.lastr = palbg;/nc->rstate.lastbr = palbg;/' "$render"
  fi
  grep -q 'nc->rstate.lastbr = palbg;' "$render" ||
    { say "notcurses' palette-indexed background code is not as expected; see $render"; exit 1; }

  # --- The core library, static, into the prefix --------------------------------------------------
  say "building notcurses $version (a few minutes)"
  rm -rf "$here/work"
  cmake -S "$source_dir" -B "$here/work" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_LIBDIR=lib -DUSE_MULTIMEDIA=none -DUSE_DEFLATE=OFF -DUSE_GPM=OFF -DUSE_QRCODEGEN=OFF \
    -DUSE_PANDOC=OFF -DUSE_DOCTEST=OFF -DUSE_CXX=OFF -DUSE_POC=OFF -DBUILD_EXECUTABLES=OFF \
    -DBUILD_FFI_LIBRARY=OFF -DUSE_STATIC=ON >"$here/build.log" 2>&1 ||
    { say "configuring notcurses failed; see ${here#"$root"/}/build.log"; exit 1; }
  { cmake --build "$here/work" -j"$jobs" --target notcurses-core-static &&
    mkdir -p "$prefix/lib" "$prefix/include" &&
    cp "$here/work/libnotcurses-core.a" "$prefix/lib/" &&
    cp -r "$source_dir/include/notcurses" "$prefix/include/"; } >>"$here/build.log" 2>&1 ||
    { say "building notcurses failed; see ${here#"$root"/}/build.log"; exit 1; }
  touch "$prefix/.built"
fi

# --- The benchmark, now that the build tree finds notcurses ---------------------------------------
cmake "$build" >/dev/null
cmake --build "$build" -j"$jobs" --target encoder_bench
say "built ${build#"$root"/}/bench/encoder/encoder_bench with notcurses $version"
