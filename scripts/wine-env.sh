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
