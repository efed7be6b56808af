#!/usr/bin/env bash
# Runs the stampwork program as a user would, asks it to stop the way a terminal does (SIGTERM),
# and checks that it ended through its end sequence: exit code 0 and the settings file written.
set -u
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
"$program" &
pid=$!
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
if [[ $status -ne 0 ]]; then
  echo "stampwork ended with exit code $status"
  exit 1
fi
if ! grep -q "FontName = Arial" Stampwork.ini; then
  echo "Stampwork.ini was not written"
  exit 1
fi
echo "stampwork ended with exit code 0 and wrote its settings"
