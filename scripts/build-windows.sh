#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows with MinGW-w64:
#   scripts/build-windows.sh [DIR [cmake options...]]      (DIR defaults to build-windows)
# Leaves DIR/glimmerfolding.exe (statically linked: no DLLs beside it) and the release archive
# DIR/glimmerfolding-VERSION-win64.zip (the program, data/ and a short README).
#
# Installs what is missing (Debian packages only). The libraries the show links (libogg, libvorbis,
# libpng, kissfft; GoogleTest for the tests) are cross-built from Debian's own source packages, fetched
# with `apt-get source` through an apt state of this script's own under DIR/deps/apt, so the
# machine's apt configuration stays as it is. The built libraries are kept in DIR/deps/prefix and
# built again only when missing. zlib comes from Debian's MinGW package. Quick when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/${1:-build-windows}
[[ $# -gt 0 ]] && shift
deps=$dir/deps
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

say() { echo "build-windows: $*" >&2; }

# --- Debian packages ------------------------------------------------------------------------------
packages=(
  cmake make pkg-config dpkg-dev zip
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 libosmesa6 googletest
)
"$root/scripts/install-missing.sh" build-windows "${packages[@]}"

# --- A private apt state for fetching source packages ---------------------------------------------
apt_state=$deps/apt
apt_options=(
  -c "$apt_state/apt.conf"
  -o "Dir::Etc::SourceList=$apt_state/sources.list"
  -o "Dir::Etc::SourceParts=$apt_state/sources.list.d"
  -o "Dir::State=$apt_state/state"
  -o "Dir::State::Lists=$apt_state/lists"
  -o "Dir::Cache=$apt_state/cache"
  -o "Debug::NoLocking=true"
  -o "APT::Sandbox::User=root"
)

# Writes the private source list: the machine's own Debian entries (those for this release's
# codename, from the files apt itself reads), each also as a deb-src entry.
write_source_list() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n "$codename" ]] || { say "cannot tell the Debian release from /etc/os-release"; exit 1; }
  local list=$apt_state/sources.list
  : >"$list"
  local file
  # One-line entries: "deb [options] URI SUITE COMPONENTS...".
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$file" ]] || continue
    awk -v codename="$codename" '
      $1 == "deb" {
        suite = ($2 ~ /^\[/) ? $4 : $3
        if (index(suite, codename) != 1) next
        print; line = $0; sub(/^deb/, "deb-src", line); print line
      }' "$file" >>"$list"
  done
  # deb822 stanzas: kept when a suite is of this release, with deb-src added to their types.
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$file" ]] || continue
    awk -v codename="$codename" '
      function flush() {
        if (stanza != "" && keep && enabled) printf "%s\n", stanza
        stanza = ""; keep = 0; enabled = 1
      }
      BEGIN { keep = 0; enabled = 1 }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      {
        line = $0
        if (tolower($1) == "types:" && line !~ /deb-src/) line = line " deb-src"
        if (tolower($1) == "suites:") for (i = 2; i <= NF; ++i) if (index($i, codename) == 1) keep = 1
        if (tolower($1) == "enabled:" && tolower($2) == "no") enabled = 0
        stanza = stanza line "\n"
      }
      END { flush() }' "$file" >"$apt_state/sources.list.d/$(basename "$file")"
  done
  if [[ ! -s "$list" ]] && ! grep -qs . "$apt_state"/sources.list.d/*.sources; then
    say "no Debian entries for $codename in the machine's apt sources"
    exit 1
  fi
}

# Makes the private state and reads the source lists, once; kept for later runs (fresh: again).
prepare_apt() {
  [[ "${1:-}" != fresh && -f "$apt_state/.ready" ]] && return
  rm -rf "$apt_state"
  mkdir -p "$apt_state"/{sources.list.d,state,lists/partial,cache/archives/partial}
  # The machine's hooks that run after an update (desktop catalogues, cache cleaners) are about
  # its own lists, not these.
  printf '#clear APT::Update::Pre-Invoke;\n#clear APT::Update::Post-Invoke;\n#clear APT::Update::Post-Invoke-Success;\n' \
    >"$apt_state/apt.conf"
  write_source_list
  say "reading source package lists (private apt state in ${apt_state#"$root"/})"
  apt-get "${apt_options[@]}" update -qq
  touch "$apt_state/.ready"
}

# fetch_source PACKAGE: unpacks Debian's source of PACKAGE (with Debian's patches) into
# deps/src/PACKAGE and prints that folder. Tries the version whose binaries this machine has
# installed first (so both builds decode alike), then the others the lists name, newest first (a
# mirror may not hold every version it lists). Lists that went stale are read again once.
try_versions() {
  local package=$1 target=$2 installed=$3
  local versions
  versions=$( { [[ -n "$installed" ]] && echo "$installed";
                apt-cache "${apt_options[@]}" showsrc "$package" 2>/dev/null | awk '/^Version:/ {print $2}' |
                  sort -rV | uniq; } | awk '!seen[$0]++')
  local version
  for version in $versions; do
    rm -rf "$target"
    mkdir -p "$target"
    if (cd "$target" && apt-get "${apt_options[@]}" source -qq "$package=$version" >>"$target.log" 2>&1); then
      return 0
    fi
  done
  return 1
}

fetch_source() {
  local package=$1 binary=$2
  local target=$deps/src/$package
  if [[ ! -f "$target/.unpacked" ]]; then
    prepare_apt
    say "fetching the source of $package"
    local installed
    installed=$(dpkg-query -W -f='${source:Version}' "$binary" 2>/dev/null || true)
    : >"$target.log"
    if ! try_versions "$package" "$target" "$installed"; then
      prepare_apt fresh
      try_versions "$package" "$target" "$installed" ||
        { say "apt-get source $package failed; see ${target#"$root"/}.log" ; return 1; }
    fi
    touch "$target/.unpacked"
  fi
  local unpacked
  unpacked=$(find "$target" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [[ -n "$unpacked" ]] || { say "no unpacked source for $package"; return 1; }
  echo "$unpacked"
}

# cross_build NAME SOURCE_DIR [cmake options...]: builds and installs a CMake project into the
# prefix, once.
cross_build() {
  local name=$1 source=$2
  shift 2
  local stamp=$prefix/.built-$name
  [[ -f "$stamp" ]] && return
  say "cross-building $name"
  local work=$deps/work/$name
  rm -rf "$work"
  cmake -S "$source" -B "$work" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DGLIMMER_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >"$deps/work/$name.log" 2>&1 ||
    { say "configuring $name failed; see ${deps#"$root"/}/work/$name.log"; exit 1; }
  { cmake --build "$work" -j"$jobs" && cmake --install "$work"; } >>"$deps/work/$name.log" 2>&1 ||
    { say "building $name failed; see ${deps#"$root"/}/work/$name.log"; exit 1; }
  touch "$stamp"
}

mkdir -p "$prefix" "$deps/work" "$deps/src"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig
export PKG_CONFIG_PATH=
export GLIMMER_WINDOWS_PREFIX=$prefix

if [[ ! -f "$prefix/.built-ogg" ]]; then
  source_dir=$(fetch_source libogg libogg0)
  cross_build ogg "$source_dir" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
fi
if [[ ! -f "$prefix/.built-vorbis" ]]; then
  source_dir=$(fetch_source libvorbis libvorbis0a)
  cross_build vorbis "$source_dir" -DOGG_ROOT="$prefix" -DBUILD_TESTING=OFF
fi
if [[ ! -f "$prefix/.built-png" ]]; then
  source_dir=$(fetch_source libpng1.6 libpng16-16)
  cross_build png "$source_dir" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT=/usr/x86_64-w64-mingw32
fi
if [[ ! -f "$prefix/.built-kissfft" ]]; then
  source_dir=$(fetch_source kissfft libkissfft-float131)
  cross_build kissfft "$source_dir" -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF \
    -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=ON -DKISSFFT_OPENMP=OFF
fi
[[ -f "$prefix/.built-googletest" ]] || cross_build googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON

# --- The show ---------------------------------------------------------------------------------------
cmake -S "$root" -B "$dir" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DGLIMMER_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF "$@" >/dev/null
cmake --build "$dir" -j"$jobs"

exe=$dir/glimmerfolding.exe
# Only DLLs that every Windows has may be imported.
system_dlls='^(kernel32|user32|gdi32|opengl32|ole32|oleaut32|advapi32|shell32|msvcrt|ucrtbase|ws2_32|winmm|avrt|api-ms-win-[a-z0-9-]+)\.dll$'
foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | grep -Ev "$system_dlls" || true)
if [[ -n "$foreign" ]]; then
  say "glimmerfolding.exe imports DLLs that Windows does not have: $(echo $foreign)"
  exit 1
fi

# --- The release archive ----------------------------------------------------------------------------
# The web page's player goes in web-player/ beside the program, laid out as its npm package.
"$root/scripts/setup-web-player.sh" "$dir"
player=$dir/web-player/node_modules/asciinema-player
version=$(sed -n 's/^project(glimmerfolding VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
archive=$dir/glimmerfolding-$version-win64.zip
newest=$(find "$exe" "$root/data" "$root/scripts/windows-readme.txt" "$dir/web-player/package-lock.json" \
  -newer "$archive" 2>/dev/null | head -n 1 || true)
if [[ ! -f "$archive" || -n "$newest" ]]; then
  stage=$dir/release/glimmerfolding-$version
  rm -rf "$dir/release"
  mkdir -p "$stage"
  cp "$exe" "$stage/"
  x86_64-w64-mingw32-strip "$stage/glimmerfolding.exe"
  cp -r "$root/data" "$stage/data"
  mkdir -p "$stage/web-player/dist/bundle"
  cp "$player/LICENSE" "$stage/web-player/"
  cp "$player/dist/bundle/asciinema-player.min.js" "$player/dist/bundle/asciinema-player.css" "$stage/web-player/dist/bundle/"
  sed "s/@VERSION@/$version/" "$root/scripts/windows-readme.txt" | sed 's/$/\r/' >"$stage/README.txt"
  rm -f "$archive"
  (cd "$dir/release" && zip -qr -X "$archive" "glimmerfolding-$version")
  say "wrote ${archive#"$root"/}"
fi
