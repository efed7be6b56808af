#!/usr/bin/env bash
# Installs what is missing, builds Stampwork and runs it: the desktop program where there is a
# desktop, else the batch mode on the sample ticket (samples/), writing the series to
# build/sample-series. Arguments are passed to the program (e.g. --batch PICTURE ..., --help).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" "$root/build"
program="$root/build/app/stampwork"
if [[ $# -gt 0 || -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$program" "$@"
fi
out="$root/build/sample-series"
echo "No desktop here: making the label series of samples/ticket.png in $out"
exec "$program" --batch "$root/samples/ticket.png" --settings "$root/samples/ticket.ini" --out "$out"
