#!/usr/bin/env bash
# Builds the release zip twice from copies of the tree in two folders of
# different lengths, the second a year and a half later by the clock (through
# faketime) and in another time zone, and requires byte-identical zips with
# neither folder named in any file of them.
#   reproducible.sh WORK   (WORK is emptied first; the first copy's zip is
#                           left as WORK/brimsel.zip for the install test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$1"
fail() { echo "reproducible test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
first="$work/a/brimsel"
second="$work/second-copy-of-the-tree/in/a/deeper/folder/brimsel"
# The files git knows (committed or new), as a clean clone has them.
export SOURCE_DATE_EPOCH="$(git -c safe.directory="*" -C "$root" log -1 --format=%ct)"
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || fail "no commit time: is $root a git checkout?"
for copy in "$first" "$second"; do
  mkdir -p "$copy"
  (cd "$root" && git -c safe.directory="*" ls-files -z --cached --others --exclude-standard |
     tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$copy"
done
# Different file times in the copies, too.
find "$second" -exec touch -h -d '2003-04-05 06:07:08' {} +

run() {
  local copy="$1"; shift
  if ! "$@" bash "$copy/scripts/package.sh" >"$copy.log" 2>&1; then
    cat "$copy.log" >&2
    fail "scripts/package.sh failed in $copy"
  fi
}
run "$first" env TZ=Pacific/Kiritimati
run "$second" env TZ=America/Adak faketime -f +555d

zips=("$first"/dist/brimsel-*.zip)
[ ${#zips[@]} = 1 ] && [ -f "${zips[0]}" ] || fail "no zip in $first/dist"
name="$(basename "${zips[0]}")"
if ! cmp "$first/dist/$name" "$second/dist/$name"; then
  for copy in "$first" "$second"; do
    mkdir -p "$copy.unzipped" && unzip -q -o "$copy/dist/$name" -d "$copy.unzipped"
  done
  diff -r "$first.unzipped" "$second.unzipped" >&2 || true
  fail "the two builds gave different zips"
fi
mkdir -p "$work/unzipped"
unzip -q "$first/dist/$name" -d "$work/unzipped"
# No link time in the PE headers, export directories or resource directories.
for f in Brimsel.dxl ifbrimsel.spi; do
  stamps="$(i686-w64-mingw32-objdump -p "$work/unzipped/$f" |
            grep -E '^Time/Date|^Time/Date stamp|Time: ' | grep -v -E 'Thu Jan  1 00:00:00 1970|[[:space:]]0$|Time: 00000000' || true)"
  [ -z "$stamps" ] || fail "$f carries a time stamp: $stamps"
done
for copy in "$first" "$second"; do
  if grep -r -l -F -e "$copy" -e "$(dirname "$copy")" "$work/unzipped" >&2; then
    fail "the files above name the build folder $copy"
  fi
done
cp "$first/dist/$name" "$work/brimsel.zip"
echo "reproducible test: passed ($name, sha256 $(sha256sum <"$work/brimsel.zip" | cut -c1-16)...)"
