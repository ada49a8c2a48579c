#!/usr/bin/env bash
# Builds the Windows program and its test suites (scripts/build-windows.sh) and runs them under
# Wine: the platform-independent suites and the Windows backends' tests with ctest, then the show
# itself on a Wine console inside tmux (the intro and its no-sound notice, Space, coloured cells,
# Escape with status 0, Ctrl-C with status 130, and the terminal as it was afterwards; the cell
# path Wine gets by itself, and the escape-sequence path GLIMMER_CONSOLE=vt asks for, ended by q).
#   scripts/test-windows.sh [DIR]          (DIR defaults to build-windows)
# Exits non-zero on any failure. Wine keeps its own prefix in DIR/wine-prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:-build-windows}
dir=$root/$name

"$root/scripts/build-windows.sh" "$name" -DGLIMMER_TESTS=ON

"$root/scripts/install-missing.sh" test-windows tmux

export WINEPREFIX=$dir/wine-prefix
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries; and no sound drivers, so the show meets the
# "no sound device" case whatever the machine has.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv,winealsa.drv,wineoss.drv=d"

socket=glimmer-test-$$
pulse_pid=
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  if [[ -n "$pulse_pid" ]]; then
    kill "$pulse_pid" 2>/dev/null || true
    wait "$pulse_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# The server first, warmed by one program: otherwise every test waits for Wine's helper processes
# to let go of ctest's pipe.
mkdir -p "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # one left running from an earlier run serves as well
wine cmd /c exit >/dev/null 2>&1 || true

echo "== Windows test suites under Wine"
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300

# The sound output against a real (null) sink: a PulseAudio server of this run's own, reached
# through Wine's PulseAudio driver. Skipped where PulseAudio is not installed.
if command -v pulseaudio >/dev/null; then
  echo "== the Windows sound output on a PulseAudio null sink"
  pulse=$dir/pulse
  rm -rf "$pulse"
  mkdir -p "$pulse"
  XDG_RUNTIME_DIR=$pulse PULSE_RUNTIME_PATH=$pulse PULSE_STATE_PATH=$pulse \
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --disable-shm=true --use-pid-file=false \
    --log-target="file:$pulse/log" -L module-null-sink \
    -L "module-native-protocol-unix socket=$pulse/native auth-anonymous=1" &
  pulse_pid=$!
  for _ in $(seq 100); do
    [[ -S "$pulse/native" ]] && break
    sleep 0.05
  done
  PULSE_SERVER="unix:$pulse/native" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    wine "$dir/tests/music/music_wasapi_test.exe" --gtest_brief=1
  kill "$pulse_pid" 2>/dev/null || true
  wait "$pulse_pid" 2>/dev/null || true
  pulse_pid=
fi

echo "== the show on a Wine console in tmux"
check=$dir/console-check
rm -rf "$check"
mkdir -p "$check"
failures=0
fail() {
  echo "console check: FAILED: $*" >&2
  failures=$((failures + 1))
}
pane() { tmux -L "$socket" capture-pane -t show -p "$@"; }
# wait_for TEXT SECONDS: true once the pane shows TEXT.
wait_for() {
  local deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    pane | grep -qF -- "$1" && return 0
    sleep 0.2
  done
  return 1
}
# wait_for_file FILE SECONDS
wait_for_file() {
  local deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    [[ -s "$1" ]] && return 0
    sleep 0.2
  done
  return 1
}

# The check expects the no-sound notice: Wine's PulseAudio driver is pointed at a server that does
# not exist, whatever sound servers this machine runs.
# run_show TAG [GLIMMER_CONSOLE]: starts the show in a fresh tmux session, with GLIMMER_CONSOLE set
# as given; its status lands in $check/TAG.status, the terminal modes before and after in
# TAG.before and TAG.after; then the pane keeps a shell.
run_show() {
  local tag=$1
  local console_path=${2:-}
  if tmux -L "$socket" has-session 2>/dev/null; then
    tmux -L "$socket" kill-server
    sleep 0.5
  fi
  tmux -L "$socket" new-session -d -s show -x 100 -y 56 \
    "cd '$root' && stty -g >'$check/$tag.before' && env WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all \
     WINEDLLOVERRIDES='$WINEDLLOVERRIDES' PULSE_SERVER='unix:$check/no-sound-server' \
     GLIMMER_CONSOLE='$console_path' \
     wine '$dir/glimmerfolding.exe' 2>'$check/$tag.stderr'; \
     echo \$? >'$check/$tag.status'; stty -g >'$check/$tag.after'; exec bash --norc"
}

intro_line="Press SPACE to continue or ESC to exit"
notice="No sound device answered: the show plays silently."

run_show escape
if ! wait_for "$intro_line" 60; then
  fail "the intro did not appear"
else
  pane | grep -qF "$notice" || fail "the intro did not carry the no-sound notice"
  tmux -L "$socket" send-keys -t show Space
  sleep 3
  pane -e >"$check/show.txt"
  grep -qF "$intro_line" "$check/show.txt" && fail "Space did not start the show"
  # Coloured block cells: shade or block glyphs, and background colours selected.
  glyphs=$(grep -o '[▓▒░█]' "$check/show.txt" | wc -l)
  colours=$(grep -oE $'\e\\[[0-9;]*(4[0-7]|10[0-7])m' "$check/show.txt" | sort -u | wc -l)
  ((glyphs >= 500)) || fail "too few block glyphs on the screen ($glyphs)"
  ((colours >= 2)) || fail "too few background colours on the screen ($colours)"
  # Under Wine the show draws cells by itself: the console's 16 colours, never 24-bit ones.
  grep -qE $'\e\\[[0-9;]*48;2;' "$check/show.txt" && fail "24-bit colours on the cell path"
  tmux -L "$socket" send-keys -t show Escape
  if ! wait_for_file "$check/escape.status" 20; then
    fail "Escape did not end the show"
  else
    [[ $(cat "$check/escape.status") == 0 ]] || fail "Escape ended with status $(cat "$check/escape.status"), not 0"
    wait_for_file "$check/escape.after" 5 || true
    cmp -s "$check/escape.before" "$check/escape.after" || fail "the terminal modes changed"
    tmux -L "$socket" send-keys -t show "echo usable-\$((6 * 7))" Enter
    wait_for "usable-42" 10 || fail "the terminal did not take a command afterwards"
  fi
fi

# The escape-sequence path, asked for: the encoder's 24-bit colours reach the terminal through
# Wine's console. (Wine does not keep to the mode, so the picture itself is not checked.)
run_show sequences vt
if ! wait_for "SPACE" 60; then  # Wine may break the intro's line
  fail "the intro did not appear with GLIMMER_CONSOLE=vt"
else
  tmux -L "$socket" send-keys -t show Space
  sleep 3
  pane -e >"$check/sequences.txt"
  colours=$(grep -oE $'\e\\[([0-9;]*;)?48;2;[0-9]+;[0-9]+;[0-9]+' "$check/sequences.txt" | sort -u | wc -l)
  ((colours >= 2)) || fail "too few 24-bit background colours with GLIMMER_CONSOLE=vt ($colours)"
  tmux -L "$socket" send-keys -t show q
  if ! wait_for_file "$check/sequences.status" 20; then
    fail "q did not end the show with GLIMMER_CONSOLE=vt"
  else
    [[ $(cat "$check/sequences.status") == 0 ]] ||
      fail "q ended the show with GLIMMER_CONSOLE=vt with status $(cat "$check/sequences.status"), not 0"
    wait_for_file "$check/sequences.after" 5 || true
    cmp -s "$check/sequences.before" "$check/sequences.after" || fail "the terminal modes changed with GLIMMER_CONSOLE=vt"
  fi
fi

# An unknown setting is named on standard error and the show chooses by itself.
run_show interrupt pixels
if ! wait_for "$intro_line" 60; then
  fail "the intro did not appear for the Ctrl-C run"
else
  tmux -L "$socket" send-keys -t show Space
  sleep 2
  tmux -L "$socket" send-keys -t show C-c
  if ! wait_for_file "$check/interrupt.status" 20; then
    fail "Ctrl-C did not end the show"
  else
    [[ $(cat "$check/interrupt.status") == 130 ]] ||
      fail "Ctrl-C ended with status $(cat "$check/interrupt.status"), not 130"
    wait_for_file "$check/interrupt.after" 5 || true
    cmp -s "$check/interrupt.before" "$check/interrupt.after" || fail "the terminal modes changed after Ctrl-C"
  fi
  grep -qF "glimmerfolding: GLIMMER_CONSOLE takes vt or cells" "$check/interrupt.stderr" ||
    fail "an unknown GLIMMER_CONSOLE was not named on standard error"
fi

if ((failures > 0)); then
  echo "console check: $failures failed (screens and statuses in ${check#"$root"/})" >&2
  exit 1
fi
echo "console check: intro, notice, Space, coloured cells, Escape -> 0, Ctrl-C -> 130, terminal restored;" \
  "GLIMMER_CONSOLE=vt: 24-bit colours, q -> 0, terminal restored"
