#!/usr/bin/env bash
# Runs the demo in a real SDL window (under the virtual X server that xvfb-run provides), closes the
# window like a window manager would, and expects the pump to report the close and the demo to end
# with status 0.
set -u
demo="$1"
closer="$2"
title="$3"
out="$(mktemp)"
ZELVO_HOST=sdl "$demo" >"$out" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  grep -q started "$out" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if ! "$closer" "$title" 640 480; then
  kill "$pid" 2>/dev/null
  cat "$out"
  exit 1
fi
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
  echo "demo did not end after the close"
  kill "$pid"
  cat "$out"
  exit 1
fi
wait "$pid"
status=$?
cat "$out"
grep -q "PumpMessages returned -1" "$out" || { echo "pump did not report the close"; exit 1; }
[ "$status" -eq 0 ] || { echo "demo ended with status $status"; exit 1; }
