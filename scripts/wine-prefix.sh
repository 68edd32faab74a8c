#!/usr/bin/env bash
# Prepares the Wine prefix that the tests and the gallery use, in BUILD/wineprefix
# (BUILD defaults to build/): a 32-bit prefix run with code page 932, the
# Japanese fonts the dialogs name replaced by the IPA fonts, Western faces
# linked to them for the Japanese glyphs they lack, and no window manager
# expected. Prints the environment that runs programs in it.
#   wine-prefix.sh [BUILD]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)"
source "$root/scripts/wine-env.sh"
wineserver -w
echo "prefix: $WINEPREFIX"
echo "run programs in it with:"
echo "  env WINEPREFIX=$WINEPREFIX WINEARCH=win32 LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine PROGRAM.exe"
