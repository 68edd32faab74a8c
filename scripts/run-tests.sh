#!/usr/bin/env bash
# Runs the built tests: private Wine prefix, one persistent wineserver for the
# run, a virtual display. Extra arguments go to ctest.
#   run-tests.sh BUILD [--heap-check] [ctest arguments]
# --heap-check runs with Wine's heap checking and fails on any heap report.
set -euo pipefail
build="$(cd "$1" && pwd)"; shift
heap_check=0
if [ "${1:-}" = "--heap-check" ]; then heap_check=1; shift; fi
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wineserver -p 2>/dev/null || true  # already running for this prefix: use it
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd "$build"
# Wine's background services and desktop start first, on the virtual display
# and detached from ctest's output pipes: started by the first test they would
# hold its pipe open, and ctest would wait for them.
in_display() {
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
    'wine cmd /c exit >/dev/null 2>&1 </dev/null || true; exec "$@"' in_display "$@"
}
if [ "$heap_check" = 0 ]; then
  in_display ctest --output-on-failure "$@"
  exit
fi
log="$build/heap-check.log"
echo "tests: again with Wine's heap checking (log: $log)"
status=0
WINEDEBUG=warn+heap in_display ctest -V "$@" >"$log" 2>&1 || status=$?
# A refused allocation is reported too; it is an answer, not damage.
if grep -E "(err|warn):heap" "$log" | grep -v "Could not allocate" >"$build/heap-reports.log"; then
  echo "tests: Wine reported heap corruption or a bad free:"
  head -n 20 "$build/heap-reports.log"
  status=1
fi
grep -E "^[0-9]+/[0-9]+ Test|tests passed|tests failed" "$log" || true
exit "$status"
