# Sourced by scripts/test.sh and .ci/run: runs a named phase, prints its wall time, and adds it to
# the table in $ZELVO_PHASE_LOG (when set) that .ci/run prints at the end.
#
#   run_phase "name" command args...
#
# With $ZELVO_DEADLINE set (seconds since the epoch), a phase still running then is stopped and the
# run fails with a message naming the phase, instead of being cut off from outside.
run_phase() {
  local name="$1"
  shift
  local start=$SECONDS status=0
  echo "== ${name}"
  if [ -n "${ZELVO_DEADLINE:-}" ]; then
    local left=$(( ZELVO_DEADLINE - $(date +%s) ))
    if [ "$left" -le 0 ]; then
      echo "== ${name}: not started, the time budget is spent" >&2
      return 124
    fi
    timeout --kill-after=30 "$left" "$@" || status=$?
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
      echo "== ${name}: stopped after $(( SECONDS - start )) s, the time budget is spent" >&2
    fi
  else
    "$@" || status=$?
  fi
  local took=$(( SECONDS - start ))
  echo "== ${name}: ${took} s$([ "$status" -ne 0 ] && echo ", failed with status ${status}")"
  if [ -n "${ZELVO_PHASE_LOG:-}" ]; then
    printf '%s\t%d\t%s\n' "$name" "$took" "$([ "$status" -eq 0 ] && echo ok || echo "failed ($status)")" >> "$ZELVO_PHASE_LOG"
  fi
  return "$status"
}

# The table of phases so far, with the total.
print_phase_table() {
  [ -n "${ZELVO_PHASE_LOG:-}" ] && [ -f "$ZELVO_PHASE_LOG" ] || return 0
  echo
  echo "| phase | wall time | result |"
  echo "|---|---|---|"
  awk -F'\t' '{ printf "| %s | %d min %02d s | %s |\n", $1, $2 / 60, $2 % 60, $3; total += $2 }
              END { printf "| total | %d min %02d s | |\n", total / 60, total % 60 }' "$ZELVO_PHASE_LOG"
}
