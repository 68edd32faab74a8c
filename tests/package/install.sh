#!/usr/bin/env bash
# Installs a release zip as readme.txt tells a user to, in a fresh Wine prefix,
# and renders a PNG chip and a JPEG chip with the reference host through the
# installed library and plug-in only.
#   install.sh ZIP CHIPHOST.EXE WORK
# WORK is emptied first; the prefix is WORK/wineprefix.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
zip="$(realpath "$1")"; chiphost="$(realpath "$2")"; work="$3"
fail() { echo "install test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
unpacked="$work/unpacked"
unzip -q "$zip" -d "$unpacked"
for f in Brimsel.dxl ifbrimsel.spi readme.txt SHA256SUMS licenses/Brimsel.txt; do
  [ -f "$unpacked/$f" ] || fail "the zip lacks $f"
done
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the binaries"

# Only system DLLs: anything else would be missing on a user's machine.
allowed='^(kernel32|user32|gdi32|advapi32|comdlg32|comctl32|shell32|shlwapi|ole32|oleaut32|windowscodecs|msimg32|msvcrt|version|propsys)\.dll$'
for f in Brimsel.dxl ifbrimsel.spi; do
  imports="$(i686-w64-mingw32-objdump -p "$unpacked/$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')"
  [ -n "$imports" ] || fail "$f imports nothing at all: not a DLL the objdump can read?"
  others="$(grep -v -E "$allowed" <<<"$imports" || true)"
  [ -z "$others" ] || fail "$f imports DLLs that are not part of Windows: $others"
done
# Loadable on the oldest Windows readme.txt names, by their import tables.
versions="$(bash "$root/scripts/check-windows-version.sh" "$unpacked/Brimsel.dxl" "$unpacked/ifbrimsel.spi")" ||
  fail "the DLLs import functions that the Windows readme.txt names lacks"
echo "$versions"
oldest="$(sed -n 's/.*, all in \(.*\) (0x.*/\1/p' <<<"$versions" | head -n 1)"
grep -q -F "$oldest 以降" <(iconv -f CP932 -t UTF-8 "$unpacked/readme.txt") ||
  fail "readme.txt does not name $oldest as the oldest Windows"
# Text files with CR LF on every line, so that any Windows editor shows their lines.
for f in "$unpacked"/readme.txt "$unpacked"/SHA256SUMS "$unpacked"/licenses/*; do
  awk '!/\r$/ { bad = 1 } END { exit bad }' "$f" || fail "${f#$unpacked/} has lines without CR LF"
done

# A fresh prefix with code page 932, as the tests use.
build="$work"
source "$root/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
drive="$WINEPREFIX/drive_c"

# As readme.txt says: the library into the host's folder for chip-drawing
# libraries (here the host's own folder), the plug-in into the folder the
# Susie plug-in registry value names.
mkdir -p "$drive/Vellumin" "$drive/Susie/プラグイン" "$drive/Pictures"
cp "$chiphost" "$drive/Vellumin/chiphost.exe"
cp "$unpacked/Brimsel.dxl" "$drive/Vellumin/"
cp "$unpacked/ifbrimsel.spi" "$drive/Susie/プラグイン/"

cp "$root/samples/pictures/sample.png" "$root/samples/pictures/sample.jpg" "$drive/Pictures/"
background='#204060'
cat >"$drive/Pictures/scene.ini" <<SCENE
[sheet]
title = installed from the release zip
background = #ffffff

[chip]
caption = PNG
text = P
size = 200x140
back_colour = $background
picture = sample.png
placement = top-left
align = right

[chip]
caption = JPEG
text = J
size = 200x140
back_colour = $background
picture = sample.jpg
placement = top-left
align = right
SCENE

cd "$drive/Pictures"
# Wine and its services start inside xvfb-run, so they find the display.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine reg add "HKCU\Software\Takechin\Susie\Plug-in" /v Path /d "C:\Susie\プラグイン" /f >/dev/null 2>&1 ||
    { echo "cannot set the Susie plug-in folder in the registry"; exit 9; }
  status=0
  wine "C:\Vellumin\chiphost.exe" --library "C:\Vellumin\Brimsel.dxl" render scene.ini sheet.png || status=$?
  wineserver -w
  exit "$status"' >"$work/chiphost.txt" 2>"$work/chiphost-errors.txt" || status=$?
[ "$status" = 0 ] || { cat "$work/chiphost.txt" "$work/chiphost-errors.txt" >&2; fail "chiphost.exe ended with $status"; }
python3 "$here/sheet_pixels.py" sheet.png "$work/chiphost.txt" "$root/samples/pictures" "$background" ||
  fail "the chips are not drawn from the pictures (sheet: $drive/Pictures/sheet.png)"
echo "install test: passed"
