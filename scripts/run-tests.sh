#!/usr/bin/env bash
# Runs the built tests: private Wine prefix, one persistent wineserver for the
# run, a virtual display. Extra arguments go to ctest.
set -euo pipefail
build="$(cd "$1" && pwd)"; shift
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "tests: creating the Wine prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Start Wine's background services now, detached from ctest's output pipes:
# started by the first test they would hold its pipe open and ctest would wait.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure "$@"
