#!/bin/sh
# The Debian package, made with CPack from this build: its name and version, its file list, its
# dependencies (computed, and free of -dev packages), and the program unpacked from it recording
# from another folder the same cast as the build's program from the repository root.
# Skips (status 77) where the Debian tools are missing.
# Usage: package_test.sh BUILD_FOLDER SOURCE_FOLDER
set -eu
build=$1
source=$2
unset GLIMMER_DATA
for tool in dpkg-deb dpkg-shlibdeps file cpack; do
  command -v "$tool" > /dev/null || { echo "package_test: skipped, $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
version=$("$build/glimmerfolding" --version | sed 's/^glimmerfolding //')
deb=$work/out/glimmerfolding_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/out" >&2; fail "no $(basename "$deb")"; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = glimmerfolding ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), --version says $version"
[ "$(field Section)" = games ] || fail "section $(field Section)"
depends=$(field Depends)
echo "$depends" | grep -q 'libc6 (>=' || fail "Depends was not computed from the libraries: $depends"
echo "$depends" | grep -q 'libpulse0' || fail "Depends lacks the sound library: $depends"
if echo "$depends" | grep -q -e '-dev\b' -e 'gtest' -e 'vterm'; then fail "Depends holds build or test packages: $depends"; fi

# Every file in the package, and nothing else.
{
  echo ./usr/bin/glimmerfolding
  for file in "$source"/data/*; do echo "./usr/share/glimmerfolding/$(basename "$file")"; done
  echo ./usr/share/doc/glimmerfolding/README.md
  echo ./usr/share/doc/glimmerfolding/changelog.gz
  echo ./usr/share/doc/glimmerfolding/copyright
  echo ./usr/share/lintian/overrides/glimmerfolding
  echo ./usr/share/man/man6/glimmerfolding.6.gz
  if [ -f "$build/web-player/node_modules/asciinema-player/LICENSE" ]; then
    echo ./usr/share/glimmerfolding/web-player/LICENSE
    echo ./usr/share/glimmerfolding/web-player/dist/bundle/asciinema-player.css
    echo ./usr/share/glimmerfolding/web-player/dist/bundle/asciinema-player.min.js
  fi
} | sort > "$work/expected"
dpkg-deb -c "$deb" > "$work/contents"
grep -v '^d' "$work/contents" | awk '{print $6}' | sort > "$work/files"
diff "$work/expected" "$work/files" >&2 || fail "the package's files differ from the list above (- expected, + found)"
if awk '{print $2}' "$work/contents" | grep -v '^root/root$' > /dev/null; then fail "files not owned by root"; fi
grep ' ./usr/bin/glimmerfolding$' "$work/contents" | grep -q '^-rwxr-xr-x' || fail "the program is not mode 755"

# Unpacked into a root of its own, the program finds its data beside itself.
dpkg-deb -x "$deb" "$work/root"
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && "$work/root/usr/bin/glimmerfolding" --record packaged.cast --to 500) ||
  fail "the unpacked program did not record from another folder"
(cd "$source" && "$build/glimmerfolding" --record "$work/built.cast" --to 500) || fail "the build's program did not record"
cmp "$work/elsewhere/packaged.cast" "$work/built.cast" || fail "the recordings differ"
echo "package_test: $(basename "$deb"), $(wc -c < "$deb") bytes, Depends: $depends"
