#!/usr/bin/env bash
# Builds everything and prints the benchmark table (medians and ratios to
# baselines measured in the same run); exits non-zero when a target is missed.
# The camera photos of the photo rows are made here (scripts/make-photo.py,
# kept in BUILD/bench-photos), and djpeg's time for the 48 MP one is measured
# beside the Windows benchmark.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/compile.sh"

photos="$build/bench-photos"
mkdir -p "$photos"
make_photo() {   # WIDTH HEIGHT SEED NAME
  [ -s "$photos/$4" ] || python3 "$root/scripts/make-photo.py" "$1" "$2" "$3" "$photos/$4"
}
echo "bench: making the photos in $photos" >&2
for i in $(seq 0 99); do make_photo 4000 3000 "$i" "photo-12mp-$i.jpg"; done
make_photo 4000 3000 500 photo-12mp-again.jpg
make_photo 8000 6000 1000 photo-48mp.jpg

# djpeg at the scale a 320 x 240 chip needs of 8000 x 6000 (1/8, the smallest
# its DCT scaling gives): the median of nine runs, in microseconds.
djpeg_us="$(for run in $(seq 9); do
  start=$(date +%s%N)
  djpeg -scale 1/8 -outfile /dev/null "$photos/photo-48mp.jpg"
  echo $(( ($(date +%s%N) - start) / 1000 ))
done | sort -n | sed -n 5p)"
echo "bench: djpeg -scale 1/8 of the 48 MP photo: $djpeg_us us" >&2

source "$root/scripts/wine-env.sh"
cd "$build/bin"
BENCH_PHOTOS="Z:${photos//\//\\}" BENCH_DJPEG_48_US="$djpeg_us" \
  xvfb-run -a -s "-screen 0 2048x1536x24" wine brimsel_bench.exe
