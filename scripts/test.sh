#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine and Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
bash "$root/scripts/run-tests.sh" "$build" --heap-check "$@"
bash "$root/scripts/run-tests.sh" "$build" "$@"
