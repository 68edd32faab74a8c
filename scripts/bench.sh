#!/usr/bin/env bash
# Builds everything and prints the benchmark table (medians and ratios to
# baselines measured in the same run); exits non-zero when a target is missed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/compile.sh"
source "$root/scripts/wine-env.sh"
cd "$build/bin"
xvfb-run -a -s "-screen 0 2048x1536x24" wine brimsel_bench.exe
