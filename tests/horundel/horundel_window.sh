#!/usr/bin/env bash
# Plays the game in a real SDL window under the virtual X server, in a copy of the data set so the
# configuration file it writes stays out of the build: the logo shows, then the title; Enter three
# times (start, easy, tutorial yes) starts the training mission, which the window must then show;
# Escape ends the game with status 0.
set -u
game="$1"
watch="$2"
data="$3"
title="$4"
work="$(mktemp -d)"
cp -r "$data"/. "$work"
out="$work/horundel.out"
ZELVO_HOST=sdl "$game" "$work" >"$out" 2>&1 &
pid=$!

finish() {
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  cat "$out"
  rm -rf "$work"
}
fail() {
  echo "$1"
  finish
  exit 1
}

"$watch" "$title" logo 60 || fail "the logo was not shown"
"$watch" "$title" title 60 || fail "the title was not shown"
window="$(xdotool search --sync --pid "$pid" | head -n 1)"
# Keys are held over a few frames, since the game reads the keyboard's state once a frame.
press() {
  xdotool windowfocus "$window" keydown "$1"
  sleep 0.2
  xdotool keyup "$1"
  sleep 0.6
}
sleep 1
press Return
press Return
press Return
"$watch" "$title" mission 60 || fail "the training mission was not shown"

xdotool windowfocus "$window" keydown Escape
sleep 0.3
xdotool keyup Escape
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null && fail "the game did not end on Escape"
wait "$pid"
status=$?
cat "$out"
rm -rf "$work"
[ "$status" -eq 0 ] || { echo "the game ended with status $status"; exit 1; }
