#!/usr/bin/env bash
# Runs the stampwork program as a user would, asks it to stop the way a terminal does (SIGTERM),
# and checks that it ended through its end sequence: exit code 0, the settings file written and
# nothing left beside it.
#   run_and_stop.sh PROGRAM [RUNS [SIGNALS]]
# With SIGNALS above 1 the stop signal is repeated at once, as timeout and service managers do;
# the runs then stop the program at moments spread over its start-up and its event loop.
set -u
program=$1
runs=${2:-1}
signals=${3:-1}
deadline=60  # seconds a run may take before it counts as hung

for ((run = 0; run < runs; run++)); do
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  cd "$dir" || exit 1
  "$program" &
  pid=$!
  if ((runs == 1)); then sleep 1; else sleep "$(printf '0.%03d' $((100 + run * 900 / runs)))"; fi
  for ((n = 0; n < signals; n++)); do kill -TERM "$pid"; done
  for ((tenth = 0; tenth < deadline * 10; tenth++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "run $run: stampwork did not end within $deadline seconds"
    exit 1
  fi
  wait "$pid"
  status=$?
  if [[ $status -ne 0 ]]; then
    echo "run $run: stampwork ended with exit code $status"
    exit 1
  fi
  if ! grep -q "FontName = Arial" Stampwork.ini 2>/dev/null; then
    echo "run $run: Stampwork.ini was not written"
    exit 1
  fi
  left=$(ls -A | grep -v '^Stampwork.ini$')
  if [[ -n $left ]]; then
    echo "run $run: files left beside the settings: $left"
    exit 1
  fi
  cd / && rm -rf "$dir"
done
echo "stampwork ended $runs time(s) with exit code 0 and wrote its settings"
