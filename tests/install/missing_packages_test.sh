#!/bin/sh
# scripts/install-missing.sh against stand-ins for dpkg-query, apt-get and sudo: it installs only
# what is missing, and nothing when all is there; while another package manager holds apt's lock it
# says so once and tries again until the lock is free, and gives up after GLIMMER_APT_LOCK_WAIT
# seconds; any other apt failure ends it at once with apt's message.
# Usage: missing_packages_test.sh SOURCE_FOLDER
set -eu
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "missing_packages_test: $*" >&2; exit 1; }

fake=$work/bin
mkdir "$fake"
# dpkg-query: the packages listed in $work/installed are installed.
cat > "$fake/dpkg-query" << 'EOF'
#!/bin/sh
for last; do :; done
grep -qx "$last" "$FAKE_STATE/installed" && printf 'install ok installed'
exit 0
EOF
# apt-get: logs each call; fails while $work/locked holds a positive count (one less each time), or
# for good when it says "forever"; "install" of a package named broken fails as apt does.
cat > "$fake/apt-get" << 'EOF'
#!/bin/sh
echo "$*" >> "$FAKE_STATE/calls"
locked=$(cat "$FAKE_STATE/locked" 2>/dev/null || echo 0)
if [ "$locked" = forever ] || [ "$locked" -gt 0 ]; then
  [ "$locked" = forever ] || echo $((locked - 1)) > "$FAKE_STATE/locked"
  echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (unattended-upgr)" >&2
  echo "E: Unable to acquire the dpkg frontend lock (/var/lib/dpkg/lock-frontend), is another process using it?" >&2
  exit 100
fi
case " $* " in *" broken "*) echo "E: Unable to locate package broken" >&2; exit 100 ;; esac
exit 0
EOF
printf '#!/bin/sh\nexec "$@"\n' > "$fake/sudo"
chmod +x "$fake"/*
export FAKE_STATE="$work"
PATH=$fake:$PATH
export PATH

helper=$source/scripts/install-missing.sh
run() {  # run LOCK_STATE PACKAGE...: the helper's status in $status, its messages in $work/out
  echo "$1" > "$work/locked"
  shift
  : > "$work/calls"
  status=0
  "$helper" tester "$@" > "$work/out" 2>&1 || status=$?
}

printf 'cmake\nmake\n' > "$work/installed"
run 0 cmake make
[ "$status" -eq 0 ] || fail "status $status with everything installed"
[ ! -s "$work/calls" ] && [ ! -s "$work/out" ] || fail "apt-get called or words said with everything installed: $(cat "$work/out")"

# Held for two tries of the update: one message naming the holder, then the update and the install of
# the missing packages alone.
run 2 cmake zip unzip
[ "$status" -eq 0 ] || fail "status $status after the lock was freed: $(cat "$work/out")"
[ "$(grep -c 'waiting for another package manager' "$work/out")" -eq 1 ] ||
  fail "not one waiting message: $(cat "$work/out")"
grep -qF "tester: waiting for another package manager to finish (apt's lock is held by process 4242 (unattended-upgr)), for at most 600 s..." \
  "$work/out" || fail "waiting message: $(cat "$work/out")"
grep -q "Could not get lock" "$work/out" && fail "apt's lock message shown although the wait succeeded"
[ "$(grep -c '^update' "$work/calls")" -eq 3 ] || fail "the update was not tried three times: $(cat "$work/calls")"
grep -qx "install -y -qq --no-install-recommends zip unzip" "$work/calls" || fail "install call: $(cat "$work/calls")"

# Held for good: a bounded wait, then apt's message and a word on what to do.
export GLIMMER_APT_LOCK_WAIT=3
run forever zip
unset GLIMMER_APT_LOCK_WAIT
[ "$status" -eq 1 ] || fail "status $status when the lock stayed held (expected 1)"
grep -q "Could not get lock /var/lib/dpkg/lock-frontend" "$work/out" || fail "apt's message not shown: $(cat "$work/out")"
grep -q "tester: gave up after waiting 4 s for apt's lock" "$work/out" || fail "no giving up: $(cat "$work/out")"
grep -q "^install" "$work/calls" && fail "installed although the update never ran"
[ "$(grep -c '^update' "$work/calls")" -eq 3 ] || fail "not three tries in 3 s: $(cat "$work/calls")"

# Another failure: no waiting, apt's own words.
run 0 broken
[ "$status" -eq 1 ] || fail "status $status for a package apt does not know"
grep -q "E: Unable to locate package broken" "$work/out" || fail "apt's error not shown: $(cat "$work/out")"
grep -q "waiting" "$work/out" && fail "waited on an error that is not a lock"

export GLIMMER_APT_LOCK_WAIT=soon
run 0 zip
[ "$status" -eq 2 ] || fail "status $status for a wait that is not a number"
unset GLIMMER_APT_LOCK_WAIT
echo "missing_packages_test: installs only what is missing, waits for apt's lock and gives up in time"
