# Sourced by the scripts that run programs under Wine: the build tree's private
# prefix, code page 932, quiet logs, no crash debugger. Needs $build.
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating the prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# The virtual display has no window manager: windows that wait for one to
# withdraw them would stall every closing dialog for two seconds.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w
fi
# The Japanese system fonts the dialogs and the warning pattern name are not on
# this machine; stand in the IPA fonts of the same kind, proportional for
# proportional.
if ! grep -q 'IPAPGothic' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1 || true
  wineserver -w
fi
# Wine's dialogs and message boxes draw their caption buttons with the Marlett
# font, which a prefix lacks here: the close box would be the letter "r". Put
# Wine's own copy (fonts-wine) where Wine looks for the system's fonts.
marlett="$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
if [ ! -f "$marlett" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$(dirname "$marlett")"
  cp /usr/share/wine/fonts/marlett.ttf "$marlett"
fi
# Windows lets a Western face borrow the glyphs it lacks from a Japanese font
# (font linking), so Japanese text in such a face is readable, not boxes. Link
# the faces the project and Wine's dialogs use, and "Microsoft Sans Serif",
# which GDI falls back to for every other face under code page 932. Wine knows
# a linked font by its file's name; the IPA Gothic file may also be seen
# through its fonts-japanese-gothic.ttf alternative.
if ! grep -q '^"Microsoft Sans Serif"=str(7):"ipagp.ttf' "$WINEPREFIX/system.reg" 2>/dev/null; then
  links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  proportional='ipagp.ttf,IPAPGothic\0ipag.ttf,IPAGothic\0fonts-japanese-gothic.ttf,IPAGothic'
  fixed='ipag.ttf,IPAGothic\0fonts-japanese-gothic.ttf,IPAGothic\0ipagp.ttf,IPAPGothic'
  wine reg add "$links" /v 'DejaVu Sans Mono' /t REG_MULTI_SZ /d "$fixed" /f >/dev/null 2>&1 || true
  # The last value written is the marker above.
  for face in 'DejaVu Sans' 'DejaVu Serif' Tahoma 'Microsoft Sans Serif'; do
    wine reg add "$links" /v "$face" /t REG_MULTI_SZ /d "$proportional" /f >/dev/null 2>&1 || true
  done
  wineserver -w
fi
