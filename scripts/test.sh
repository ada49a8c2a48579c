#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: a Release build, an address and undefined-behaviour
# sanitizer build, then the Windows build under Wine (its platform-independent suites, its own
# backends' tests and the show on a Wine console). Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --tests
"$root/scripts/setup-web-player.sh" build/test  # the player that the web page test's recording copies
cd "$root"

echo "== release build and tests"
"$root/scripts/build.sh" build/test -DGLIMMER_BENCH=ON -DGLIMMER_TOOLS=ON
ctest --test-dir build/test --output-on-failure -j"$(nproc)" --timeout 300

echo "== sanitizer build and tests"
"$root/scripts/build.sh" build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_SANITIZE=ON \
  -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF
ctest --test-dir build/asan --output-on-failure -j"$(nproc)" --timeout 600

echo "== Windows build and tests under Wine"
"$root/scripts/test-windows.sh" build-windows
