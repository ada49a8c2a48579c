#!/usr/bin/env bash
# Mutation testing: plants one small mistake at a time and says whether the test suite catches it.
#
#   scripts/mutate.sh [--check] [--only N,N,...] [--jobs N] [--timeout SECONDS] [LIST...]
#
# Each mutation of the lists (default: tests/mutations/*.tsv) is applied to a scratch copy of the
# tree (build/mutation/tree, refreshed from the checkout at the start of every run), which is
# rebuilt incrementally in one build folder (build/mutation/build) and tested with ctest; then the
# file is put back. A mistake in src/FOLDER/NAME.* meets the tests of tests/FOLDER/NAME_test.cpp
# first, then the rest of tests/FOLDER, then the rest of the suite, each step building only what it
# runs (each test is labelled with its executable's name, FOLDER_NAME_test). Each mutation is
# reported as killed (a test failed, and failed again when run on its own), killed (build) (it did
# not compile, which counts as caught), survived, or not built here (its file is not compiled on
# this platform: not counted), and the run ends with the share killed. The checkout itself is never
# written, so an interrupted run leaves it as it was; the next run copies over whatever the
# interruption left in the scratch tree. Logs of every build and test run are kept in
# build/mutation/logs.
#
# List format: one mutation a line, three or four fields separated by tabs: the file (from the
# repository root), the exact text to find, its replacement, and optionally a note on the mistake.
# Blank lines and lines starting with # are skipped. The text to find must occur exactly once in
# the file, else the mutation is refused (not run, not counted) and the run exits with status 1.
#
# Options:
#   --check            only check that every mutation applies; builds and runs nothing
#   --only N,N,...     run only these mutations (numbered from 1 in list order)
#   --jobs N           parallel build and test jobs (default: the number of processors)
#   --timeout SECONDS  per test (default 120); a test that runs out of time fails
#
# Exit status: 0 when every mutation was applied, 1 when some were refused, 2 on a usage error or
# when the unmutated suite does not pass.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/build/mutation"
tree="$work/tree"
build="$work/build"
logs="$work/logs"
jobs=$(nproc)
timeout=120
check_only=false
only=""
lists=()

usage() {
  sed -n '4p' "$0" | sed 's/^# *//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    --check) check_only=true ;;
    --only) [ $# -ge 2 ] || usage; only=",$2,"; shift ;;
    --jobs) [ $# -ge 2 ] || usage; jobs=$2; shift ;;
    --timeout) [ $# -ge 2 ] || usage; timeout=$2; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' ; exit 0 ;;
    -*) usage ;;
    *) lists+=("$1") ;;
  esac
  shift
done
if [ ${#lists[@]} -eq 0 ]; then
  for list in "$root"/tests/mutations/*.tsv; do lists+=("$list"); done
fi

# Mutations, read into parallel arrays.
files=() finds=() replaces=() notes=() origins=()
for list in "${lists[@]}"; do
  [ -f "$list" ] || { echo "mutate: no list $list" >&2; exit 2; }
  number=0
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    case "$line" in ''|'#'*) continue ;; esac
    # Split by hand: read would merge two tabs, and an empty replacement is allowed.
    file=${line%%$'\t'*} rest=${line#*$'\t'}
    find=${rest%%$'\t'*} rest=${rest#*$'\t'}
    replace=${rest%%$'\t'*} note=""
    [[ "$rest" == *$'\t'* ]] && note=${rest#*$'\t'}
    if [ -z "$file" ] || [ -z "$find" ] || [[ "$line" != *$'\t'*$'\t'* ]]; then
      echo "mutate: $list:$number: want FILE<tab>FIND<tab>REPLACE[<tab>NOTE]" >&2
      exit 2
    fi
    files+=("$file") finds+=("$find") replaces+=("$replace") notes+=("${note:-}")
    origins+=("$(basename "$list"):$number")
  done <"$list"
done
count=${#files[@]}
[ "$count" -gt 0 ] || { echo "mutate: the lists hold no mutation" >&2; exit 2; }

# How often the text in FIND occurs in the file; the texts go through the environment, so no
# character in them is special.
occurrences() {
  FIND=$2 perl -0777 -ne '$n = 0; $n++ while /\Q$ENV{FIND}\E/g; print $n' "$1"
}

# Replaces the one occurrence of FIND in the file by REPLACE, in place.
apply() {
  FIND=$2 REPLACE=$3 perl -0777 -pi -e 's/\Q$ENV{FIND}\E/$ENV{REPLACE}/' "$1"
}

# Every mutation must apply to the checkout as it is now.
refused=()
for ((i = 0; i < count; i++)); do
  path="$root/${files[i]}"
  found=0
  [ -f "$path" ] && found=$(occurrences "$path" "${finds[i]}")
  if [ "$found" != 1 ]; then
    refused+=("$i")
    echo "refused  #$((i + 1)) ${origins[i]} ${files[i]}: the text to find occurs $found times, not once" >&2
  fi
done
if $check_only; then
  echo "$count mutations, ${#refused[@]} refused"
  [ ${#refused[@]} -eq 0 ] && exit 0 || exit 1
fi

# The scratch tree: every file git knows or would add, copied when it differs, so unchanged files
# keep their times and the build stays incremental; files gone from the checkout go here too.
mkdir -p "$tree" "$logs"
(
  cd "$root"
  # Byte order for sort and comm alike.
  git ls-files -z --cached --others --exclude-standard | LC_ALL=C sort -z -u >"$work/files"
  while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    if ! cmp -s "$file" "$tree/$file"; then
      mkdir -p "$tree/$(dirname "$file")"
      cp "$file" "$tree/$file"
    fi
  done <"$work/files"
  (cd "$tree" && find . -type f -printf '%P\0' | LC_ALL=C sort -z) | LC_ALL=C comm -z -23 - "$work/files" |
    (cd "$tree" && xargs -0 -r rm -f)
)

build_tree() {
  cmake --build "$build" -j"$jobs" >"$1" 2>&1
}
build_targets() {  # LOG TARGET...
  local log=$1
  shift
  cmake --build "$build" -j"$jobs" --target "$@" >"$log" 2>&1
}
# The suite fails only when what failed fails again on its own: a test that fails once under load
# (several suites of the machine at once) does not count, and as the first failure stopped the run,
# the whole selection then runs again to its end. The web page's browser tests are left out: they
# take half a minute each, need the player in the build, and what they would catch of a mutation
# (the cast's bytes and the cells) the cast and recording tests catch first.
skipped='^web_page_'
run_suite() {  # LOG [CTEST SELECTION...]
  local log=$1
  shift
  local ctest=(ctest --test-dir "$build" --timeout "$timeout" -E "$skipped" "$@" --output-on-failure)
  "${ctest[@]}" -j"$jobs" --stop-on-failure >"$log" 2>&1 && return 0
  "${ctest[@]}" --rerun-failed >>"$log" 2>&1 || return 1
  "${ctest[@]}" -j"$jobs" >>"$log" 2>&1 || "${ctest[@]}" --rerun-failed >>"$log" 2>&1
}
# A mistake in src/FOLDER/NAME.* meets the suite in up to three steps, each building only what it
# runs (and the program, which many tests run): the tests of tests/FOLDER/NAME_test.cpp, the rest of
# tests/FOLDER, then the rest of the suite. Most mistakes are caught in the first or second step in a
# fraction of the whole suite's time; the verdict is the whole suite's either way. Sets verdict.
judge() {  # NUMBER FILE
  local log="$logs/test-$1.log" build_log="$logs/build-$1.log" folder stem own="" folder_targets=() rest=()
  folder=$(printf '%s\n' "$2" | sed -n 's|^src/\([^/]*\)/.*|\1|p')
  stem=$(basename "${2%.*}")
  if [ -n "$folder" ]; then
    for target in "${targets[@]}"; do
      [[ "$target" == "${folder}_${stem}_test" ]] && own=$target
      [[ "$target" == "${folder}"_*_test ]] && folder_targets+=("$target")
    done
  fi
  verdict="killed (build)"
  build_targets "$build_log" glimmerfolding ${own:-"${folder_targets[@]}"} || return 0
  if ! compiled_file "$build_log" "$2"; then
    verdict="not built here"
    return 0
  fi
  if [ -n "$own" ]; then
    step "$log.own" "$own" -L "^$own\$" || return 0
  fi
  if [ ${#folder_targets[@]} -gt 0 ]; then
    step "$log.folder" "${folder_targets[*]}" -L "^${folder}_" ${own:+-LE "^$own\$"} || return 0
    rest=(-LE "^${folder}_")
  fi
  step "$log" all "${rest[@]}" || return 0
  verdict=SURVIVED
}
# One step of judging: builds the targets (the program too), then runs the selection of tests;
# fails, with the verdict set, when the mistake is caught.
step() {  # LOG "TARGET..." [CTEST SELECTION...]
  local log=$1 step_targets
  read -r -a step_targets <<<"$2"
  shift 2
  verdict="killed (build)"
  build_targets "$log.build" glimmerfolding "${step_targets[@]}" || return 1
  verdict=killed
  run_suite "$log" "$@"
}
# Whether a build compiled the mutated file (FILE, from the root): a file that is not part of this
# platform's build (the Windows console on Linux) changes nothing here, and its mutation is not
# judged. The build also compiles the file the last mutation put back, so that says nothing; a header
# is taken as built.
compiled_file() {  # LOG FILE
  case "$2" in
    *.cpp | *.c) grep -qF "/$2.o" "$1" ;;
    *) true ;;
  esac
}

started=$(date +%s)
echo "== building the scratch tree in $build"
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF \
  >"$logs/configure.log" 2>&1 || { echo "mutate: configuring failed, see $logs/configure.log" >&2; exit 2; }
build_tree "$logs/build-0.log" || { echo "mutate: the unmutated tree does not build, see $logs/build-0.log" >&2; exit 2; }
run_suite "$logs/test-0.log" || { echo "mutate: the unmutated suite fails, see $logs/test-0.log" >&2; exit 2; }
echo "== the unmutated suite passes ($(($(date +%s) - started)) s); $count mutations"
# The build's targets, for building only the tests a step runs.
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p')

killed=0 broken=0 survived=0 ran=0 unjudged=0
survivors=() others=()
for ((i = 0; i < count; i++)); do
  [[ " ${refused[*]:-} " == *" $i "* ]] && continue
  [ -z "$only" ] || [[ "$only" == *",$((i + 1)),"* ]] || continue
  path="$tree/${files[i]}"
  label=$(printf '#%-3d %s' $((i + 1)) "${files[i]}")
  [ -n "${notes[i]}" ] && label="$label: ${notes[i]}"
  begin=$(date +%s)
  cp "$path" "$work/original"
  apply "$path" "${finds[i]}" "${replaces[i]}"
  judge $((i + 1)) "${files[i]}"
  case "$verdict" in
    killed) killed=$((killed + 1)) ;;
    "killed (build)") broken=$((broken + 1)) ;;
    "not built here") unjudged=$((unjudged + 1)) others+=("$label") ;;
    SURVIVED) survived=$((survived + 1)) survivors+=("$label") ;;
  esac
  cp "$work/original" "$path"  # a newer time than the object files, so the next build restores it
  [ "$verdict" = "not built here" ] || ran=$((ran + 1))
  printf '%-15s %s (%d s)\n' "$verdict" "$label" $(($(date +%s) - begin))
done

caught=$((killed + broken))
echo
echo "killed $caught of $ran ($broken by the build), survived $survived, refused ${#refused[@]}:" \
  "$((ran > 0 ? 100 * caught / ran : 0)) % caught in $(($(date +%s) - started)) s"
for survivor in "${survivors[@]+"${survivors[@]}"}"; do echo "  survived $survivor"; done
[ "$unjudged" -eq 0 ] || echo "not judged: $unjudged not part of this platform's build"
for other in "${others[@]+"${others[@]}"}"; do echo "  not built here $other"; done
[ ${#refused[@]} -eq 0 ] || exit 1
