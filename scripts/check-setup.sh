#!/usr/bin/env bash
# Checks that scripts/setup.sh installs everything a build used, so that a fresh
# machine can repeat it: the files under /usr that the compiler read (its
# dependency files) and the linker took (the link maps), the programs the build
# and the scripts run, and the Python modules the tests import. Each belongs to
# a Debian package, which must be in scripts/packages.txt, be needed by one that
# is (Depends/Pre-Depends, recursively), or be on every Debian system (Essential
# or Priority required). Prints one line when all is covered; otherwise names
# each missing package with one file of it that was used, and exits with 1.
#   check-setup.sh BUILD
set -euo pipefail
export LC_ALL=C
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
fail() { echo "check-setup: $*" >&2; exit 2; }
[ -f "$build/CMakeCache.txt" ] || fail "no build in $build"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Files the build read. Depfiles list a target, then its inputs; link maps name
# every archive member and object file the linker loaded.
depfiles="$(find "$build" -name '*.d' -type f -print -quit)"
[ -n "$depfiles" ] || fail "no compiler dependency files under $build"
maps="$(find "$build" -name '*.map' -type f -print -quit)"
[ -n "$maps" ] || fail "no link maps under $build (is the build configured by this tree's CMakeLists.txt?)"
{
  find "$build" -name '*.d' -type f -exec cat {} + | tr ' \\' '\n\n' | grep '^/usr/' | grep -v ':$' || true
  find "$build" -name '*.map' -type f -exec grep -ohE '^(LOAD )?/usr/[^ ()]+' {} + | sed 's/^LOAD //' || true
} | sort -u >"$work/files"

# Programs: the compilers and tools the build ran, as CMake found them, and
# those the scripts and the tests run. A program found outside the system's
# packages (a private python3, say) stands for the one in /usr/bin, which is
# the one a fresh machine has.
{
  grep -E '^CMAKE_(C|CXX|RC)_COMPILER:|^CMAKE_(AR|RANLIB|LINKER|MAKE_PROGRAM|COMMAND):' \
    "$build/CMakeCache.txt" | sed 's/^[^=]*=//'
  command -v cmake ctest || true
} | grep '^/' >"$work/program-paths" || true
for program in wine wineserver wineboot xvfb-run Xvfb xauth zip unzip faketime python3 \
               iconv locale-gen nasm dpkg-source mount umount i686-w64-mingw32-objdump cjpeg djpeg; do
  path="$(command -v "$program" || true)"
  if [ -z "$path" ] || ! dpkg -S "$(realpath "$path")" >/dev/null 2>&1; then
    for candidate in "/usr/bin/$program" "/usr/sbin/$program"; do
      [ -x "$candidate" ] && path="$candidate" && break
    done
  fi
  [ -n "$path" ] || { echo "missing program: $program" >>"$work/unowned"; continue; }
  echo "$path" >>"$work/program-paths"
done
# Python modules the tests and scripts import, as the system's python3 finds them
# (built-in modules have no file and come with python3 itself).
modules="$(cat $(git -C "$root" ls-files '*.py' | sed "s|^|$root/|") /dev/null |
  sed -nE 's/^[[:space:]]*(import|from)[[:space:]]+([A-Za-z_][A-Za-z0-9_.]*).*/\2/p' |
  sed 's/\..*//' | sort -u)"
if [ -n "$modules" ] && [ -x /usr/bin/python3 ]; then
  /usr/bin/python3 - $modules >>"$work/program-paths" <<'PY'
import importlib, sys
for name in sys.argv[1:]:
    try:
        path = getattr(importlib.import_module(name), "__file__", None)
    except ImportError:
        print("missing python module: " + name, file=sys.stderr)
        continue
    if path:
        print(path)
PY
fi
while read -r path; do
  [ -e "$path" ] && echo "$path"
done <"$work/program-paths" >>"$work/files"
sort -u -o "$work/files" "$work/files"

# Owners. A path that dpkg knows only by another name (a symbolic link, or /lib
# for /usr/lib) is asked again by its real name.
dpkg -S $(cat "$work/files") 2>/dev/null >"$work/owners" || true
awk -F': ' '{ print $2 }' "$work/owners" | sort -u >"$work/owned"
comm -23 "$work/files" "$work/owned" >"$work/unknown"
while read -r path; do
  real="$(realpath -e "$path" 2>/dev/null || echo "$path")"
  owner="$(dpkg -S "$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null || true)"
  if [ -n "$owner" ]; then
    echo "${owner%%: *}: $path" >>"$work/owners"
  else
    # Files that no package installed (made by a post-install script, or a
    # generated file of the build) cannot be covered by setup.sh either way.
    case "$path" in
      /usr/local/*|/root/*|/home/*) echo "not from a Debian package: $path" >>"$work/unowned" ;;
    esac
  fi
done <"$work/unknown"
# "pkg1, pkg2:i386: path" -> one "pkg path" line per package.
awk -F': ' '{ n = split($1, p, ", "); for (i = 1; i <= n; i++) { sub(/:.*/, "", p[i]); print p[i], $2 } }' \
  "$work/owners" | sort -u -k1,1 >"$work/used"

# What setup installs: the listed packages, everything they need, and what
# every Debian system has.
listed="$(sed 's/#.*//' "$root/scripts/packages.txt" | xargs -n1 | sed 's/:.*//' | sort -u)"
{
  echo "$listed"
  apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $listed 2>/dev/null |
    sed -nE 's/^  (Pre)?Depends: //p; /^[^ ]/p; s/^    ([^ ]+)$/\1/p' | sed 's/[<>]//g; s/:.*//'
  dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' |
    awk '$2 == "yes" || $3 == "required" { print $1 }'
} | sort -u >"$work/covered"

missing="$(join -v 1 "$work/used" "$work/covered" || true)"
if [ -z "$missing" ] && [ ! -s "$work/unowned" ]; then
  echo "check-setup: scripts/packages.txt covers the $(wc -l <"$work/used") packages whose files the build and the tests used"
  exit 0
fi
echo "check-setup: a fresh machine would lack what this build used; add the packages to scripts/packages.txt:"
[ -z "$missing" ] || echo "$missing" | sed 's/^\([^ ]*\) \(.*\)/  \1 (for example \2)/'
[ ! -s "$work/unowned" ] || sed 's/^/  /' "$work/unowned"
exit 1
