#!/usr/bin/env bash
# The label series against the single-core floor, in one interleaved run on the same frames:
# 50 labels and the closing image (outline of border 2, 80 points) over a photo-like picture at
# 1920 x 1080 and at 640 x 480, made by
#   floor     bare libpng encoding the same frames one after the other (RGB, no filters, level 9)
#   create    the desktop program's Create (pipelined, one encoder per core), headless
#   jobs2     stampwork --batch ... --jobs 2
#   jobs1     stampwork --batch ... --jobs 1
# Each is run ROUNDS times (default 3) in turn; the median time and the peak memory (largest
# resident set) are printed with the ratio to the floor. Create and floor time themselves (the
# picture load and start-up excluded); the batch runs are timed whole, start-up included.
# Usage: bench/series_bench.sh [BUILD_DIR]   (a Release build with -DSTAMPWORK_BENCH=ON)
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
rounds=${ROUNDS:-3}
program=$build/app/stampwork
helper=$build/bench/series_bench_helper
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'bText = -1\r\nBorder = 2\r\nFontSize = 80\r\nRangeStart = 1\r\nRangeStop = 50\r\nzero = 3\r\n' > "$work/labels.ini"

sizes=(1920x1080 640x480)
modes=(floor create jobs2 jobs1)
for size in "${sizes[@]}"; do
  mkdir -p "$work/$size"
  "$helper" picture "${size%x*}" "${size#*x}" "$work/$size/pic.png"
done

# Runs one mode once; appends "seconds peak_kB" to its results file.
run() {
  local size=$1 mode=$2 dir=$work/$1/$2 seconds
  rm -rf "$dir" && mkdir -p "$dir" && cp "$work/$size/pic.png" "$dir/pic.png"
  local start end
  start=$(date +%s.%N)
  case $mode in
    floor)  seconds=$(/usr/bin/time -f %M -o "$dir/peak" "$helper" floor "$dir/pic.png" "$work/labels.ini" "$dir") ;;
    create) seconds=$(cd "$dir" && /usr/bin/time -f %M -o "$dir/peak" "$helper" create "$dir/pic.png" "$work/labels.ini") ;;
    jobs*)  /usr/bin/time -f %M -o "$dir/peak" "$program" --batch "$dir/pic.png" --settings "$work/labels.ini" \
              --out "$dir/out" --jobs "${mode#jobs}" > /dev/null
            end=$(date +%s.%N)
            seconds=$(echo "$end - $start" | bc -l) ;;
  esac
  echo "$seconds $(cat "$dir/peak")" >> "$work/$size.$mode.results"
}

for ((round = 1; round <= rounds; ++round)); do
  for size in "${sizes[@]}"; do
    for mode in "${modes[@]}"; do run "$size" "$mode"; done
  done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "series of 51 images, $rounds interleaved rounds, $(nproc) cores; median seconds, peak resident MB, ratio to floor"
for size in "${sizes[@]}"; do
  floor=$(cut -d' ' -f1 "$work/$size.floor.results" | median)
  for mode in "${modes[@]}"; do
    seconds=$(cut -d' ' -f1 "$work/$size.$mode.results" | median)
    peak=$(cut -d' ' -f2 "$work/$size.$mode.results" | sort -n | tail -1)
    printf '%-10s %-7s %8.3f s %7.1f MB   %.2fx\n' "$size" "$mode" "$seconds" "$(echo "$peak / 1024" | bc -l)" \
      "$(echo "$seconds / $floor" | bc -l)"
  done
done
echo "targets on 2 cores: create and jobs2 <= 0.60x (1920) / 0.75x (640); jobs1 <= 1.05x / 1.20x"
