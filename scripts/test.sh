#!/usr/bin/env bash
# Sets up the machine, builds everything, checks that setup installs all that the
# build used, and runs every test under Wine and Xvfb:
# once with Wine's heap checking, once plainly on a clock set to a fixed early
# morning of a leap day (hours without a leading zero, the day that exists one
# year in four). Both passes run; the script fails if either failed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/compile.sh"
# A fresh machine has only what setup installs: the build must need no more.
setup=0
bash "$root/scripts/check-setup.sh" "$build" || setup=$?
heap=0 plain=0
bash "$root/scripts/run-tests.sh" "$build" --heap-check "$@" || heap=$?
echo "tests: again plainly, on the clock BRIMSEL_TEST_CLOCK=\"2028-02-29 04:05:06\""
BRIMSEL_TEST_CLOCK="2028-02-29 04:05:06" bash "$root/scripts/run-tests.sh" "$build" "$@" || plain=$?
# The release zip (scripts/package.sh): reproducible, and working once installed.
package=0
bash "$root/tests/package/run.sh" "$build" || package=$?
failed=()
if [ "$setup" != 0 ]; then failed+=("the set-up check"); fi
if [ "$heap" != 0 ]; then failed+=("the heap-checking pass"); fi
if [ "$plain" != 0 ]; then failed+=("the plain pass"); fi
if [ "$package" != 0 ]; then failed+=("the release zip tests"); fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "tests: FAILED: ${failed[*]}"
  exit 1
fi
echo "tests: the set-up check, both passes and the release zip tests passed"
