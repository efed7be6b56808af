#!/usr/bin/env bash
# The desktop program under a private X server (Xvfb), measured as a person would notice it:
#   idle      CPU time and wake-ups of the program over 10 s of doing nothing, its window shown
#             (target: none worth counting; a program that polls every 10 ms wakes 1000 times)
#   latency   the time from a click on the preview to the changed pixels on the screen (clicks
#             injected into the X server, pixels read back from it; a 60 Hz frame is 16.7 ms)
# The start-up picture is typed into the desktop's file chooser, as a person does it.
# Usage: bench/desktop_bench.sh [BUILD_DIR]   (a Release build with -DSTAMPWORK_BENCH=ON)
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
cleanup() {
  [[ -n "${program_pid:-}" ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n "${server_pid:-}" ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.log" &
server_pid=$!
read -r -t 10 -u "$displayfd" number
export DISPLAY=":$number"
unset WAYLAND_DISPLAY

cp "$root/samples/ticket.png" "$work/ticket.png"
cp "$root/samples/ticket.ini" "$work/Stampwork.ini"
(cd "$work" && exec "$build/app/stampwork") 2>"$work/program.log" &
program_pid=$!

# Waits (up to 10 s) for a window whose name matches, and prints its id.
window_named() {
  for _ in $(seq 100); do
    if id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [[ -n "$id" ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no window named $1 appeared" >&2
  return 1
}

window_named "^Stampwork$" > /dev/null
sleep 0.3
xdotool type --delay 5 "$work/ticket.png"
xdotool key Return
main=$(window_named "Stampwerk")
sleep 1

# Idle: CPU time of all the program's threads and their wake-ups (context switches), over 10 s.
ticks_per_second=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$program_pid/stat"; }
switches() { cat /proc/"$program_pid"/task/*/status | awk '/^(non)?voluntary_ctxt_switches/ {n += $2} END {print n}'; }
cpu_before=$(cpu); switches_before=$(switches)
sleep 10
cpu_after=$(cpu); switches_after=$(switches)
echo "idle 10 s: CPU $(( (cpu_after - cpu_before) * 1000 / ticks_per_second )) ms," \
     "wake-ups $(( switches_after - switches_before ))"

# Latency: the preview starts at (270, 10) in the window and is as large as the picture.
read -r width height < <(python3 -c "import struct;d=open('$work/ticket.png','rb').read(24);print(*struct.unpack('>II',d[16:24]))")
"$build/bench/click_latency" "$main" $((270 + width / 4)) $((10 + height / 2)) $((270 + width * 3 / 4)) \
  $((10 + height / 2)) 270 10 "$width" "$height" 40
