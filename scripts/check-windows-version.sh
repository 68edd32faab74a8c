#!/usr/bin/env bash
# Checks that DLLs load on the oldest Windows the release names (readme.txt,
# 動作環境): every function they import from a Windows DLL must be declared by
# the mingw-w64 headers with _WIN32_WINNT set to that version (BRIMSEL_WINNT in
# CMakeLists.txt, which the build uses too), as the headers hide whatever a
# later version added. The C runtime (msvcrt.dll) is not versioned this way.
#   check-windows-version.sh FILE...
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fail() { echo "windows version: $*" >&2; exit 1; }
winnt="$(sed -n 's/^set(BRIMSEL_WINNT \(0x[0-9A-Fa-f]*\)).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$winnt" ] || fail "no BRIMSEL_WINNT in CMakeLists.txt"
case "$winnt" in
  0x0501) name="Windows XP" ;; 0x0502) name="Windows Server 2003" ;; 0x0600) name="Windows Vista" ;;
  0x0601) name="Windows 7" ;; 0x0602) name="Windows 8" ;; 0x0603) name="Windows 8.1" ;;
  0x0A00) name="Windows 10" ;; *) name="Windows $winnt" ;;
esac
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for f in "$@"; do
  i686-w64-mingw32-objdump -p "$f" | awk '
    /DLL Name:/ { dll = tolower($3); next }
    /^[[:space:]]*$/ { dll = "" }
    dll != "" && dll != "msvcrt.dll" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' >"$work/imports"
  [ -s "$work/imports" ] || fail "$f imports nothing from Windows: not a DLL objdump can read?"
  {
    printf '#include <windows.h>\n#include <commdlg.h>\n#include <objbase.h>\n#include <wincodec.h>\n'
    printf 'void imports(void) {\n'
    sed 's/.*/    (void)\&&;/' "$work/imports"
    printf '}\n'
  } >"$work/imports.c"
  if ! i686-w64-mingw32-gcc -fsyntax-only -D_WIN32_WINNT="$winnt" -DWINVER="$winnt" "$work/imports.c" \
         2>"$work/errors"; then
    newer="$(sed -n "s/.*error: .\([A-Za-z0-9_]*\). undeclared.*/\1/p" "$work/errors" | sort -u | tr '\n' ' ')"
    [ -n "$newer" ] || { cat "$work/errors" >&2; fail "cannot check $f"; }
    fail "$(basename "$f") imports functions that $name ($winnt) lacks: $newer"
  fi
  echo "windows version: $(basename "$f") imports $(wc -l <"$work/imports") functions from Windows, all in $name ($winnt)"
done
