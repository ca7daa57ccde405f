#!/usr/bin/env bash
# Runs the demo in a real SDL window (under the virtual X server that xvfb-run provides), gives the
# window the keyboard focus and presses Escape with xdotool: the demo's loop must end on the key
# (the pump still answering 0) and the demo with status 0.
set -u
demo="$1"
out="$(mktemp)"
ZELVO_HOST=sdl "$demo" >"$out" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  grep -q started "$out" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
window="$(xdotool search --sync --pid "$pid" | head -n 1)"
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  xdotool windowfocus "$window" key Escape 2>/dev/null
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "demo did not end on Escape"
  kill "$pid"
  cat "$out"
  exit 1
fi
wait "$pid"
status=$?
cat "$out"
grep -q "PumpMessages returned 0" "$out" || { echo "the loop did not end on the key"; exit 1; }
[ "$status" -eq 0 ] || { echo "demo ended with status $status"; exit 1; }
