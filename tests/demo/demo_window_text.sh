#!/usr/bin/env bash
# Runs the demo in a real SDL window under the virtual X server, reads its text back from the
# window, then closes it as a window manager would and expects a clean end.
set -u
demo="$1"
checker="$2"
closer="$3"
title="$4"
out="$(mktemp)"
ZELVO_HOST=sdl "$demo" >"$out" 2>&1 &
pid=$!
"$checker" "$title"
checked=$?
"$closer" "$title" 640 480 >/dev/null || kill "$pid" 2>/dev/null
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null && kill "$pid"
wait "$pid"
status=$?
cat "$out"
[ "$checked" -eq 0 ] || { echo "the window does not show the text"; exit 1; }
[ "$status" -eq 0 ] || { echo "demo ended with status $status"; exit 1; }
