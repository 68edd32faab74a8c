#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix and code page 932.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so CTest runs every test through it.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEPREFIX="${BRIMSEL_WINEPREFIX:-$here/wineprefix}"
export WINEARCH=win32
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
exec wine "$@"
