#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine and Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/compile.sh"
bash "$root/scripts/run-tests.sh" "$build" --heap-check "$@"
bash "$root/scripts/run-tests.sh" "$build" "$@"
# The release zip (scripts/package.sh): reproducible, and working once installed.
bash "$root/tests/package/run.sh" "$build" || { echo "tests: the release zip tests failed"; exit 1; }
