#!/usr/bin/env bash
# Installs those of the Debian packages named that are not installed yet, with apt-get (through sudo
# when not run as root):
#   scripts/install-missing.sh NAME PACKAGE...
# NAME starts every message (the calling script's name). Quick when every package is there.
# While another package manager holds apt's or dpkg's lock (an unattended upgrade, a software
# centre, an apt in another window) it waits, says so once, and tries again every 2 seconds, for at
# most GLIMMER_APT_LOCK_WAIT seconds (default 600); then it gives up with apt's message.
set -euo pipefail
[[ $# -ge 1 ]] || { echo "usage: scripts/install-missing.sh NAME PACKAGE..." >&2; exit 2; }
name=$1
shift
say() { echo "$name: $*" >&2; }

missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { say "need root or sudo to install: ${missing[*]}"; exit 1; }
  sudo=(sudo)
fi

limit=${GLIMMER_APT_LOCK_WAIT:-600}
[[ "$limit" =~ ^[0-9]+$ ]] || { say "GLIMMER_APT_LOCK_WAIT must be a number of seconds, not '$limit'"; exit 2; }
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

# apt_get ARGUMENTS...: apt-get with its output dropped and its errors kept; while a lock is held by
# someone else, tries again until the limit.
waited=0
said_waiting=
apt_get() {
  while true; do
    if "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@" >/dev/null 2>"$errors"; then return 0; fi
    if ! grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' "$errors"; then
      cat "$errors" >&2
      say "apt-get $1 failed"
      return 1
    fi
    if ((waited >= limit)); then
      cat "$errors" >&2
      say "gave up after waiting $waited s for apt's lock; try again when the other package manager has finished"
      return 1
    fi
    if [[ -z "$said_waiting" ]]; then
      local holder
      holder=$(grep -oE 'held by process [0-9]+( \([^)]*\))?' "$errors" | head -n 1 || true)
      [[ -z "$holder" ]] || holder=" (apt's lock is $holder)"
      say "waiting for another package manager to finish$holder, for at most $limit s..."
      said_waiting=1
    fi
    sleep 2
    waited=$((waited + 2))
  done
}

say "installing ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
