#!/usr/bin/env bash
# Builds the release from a clean state and writes dist/brimsel-<version>.zip:
# the library, its image plug-in, the Japanese readme, the licences of our code
# and of everything compiled or linked into the binaries, and SHA256SUMS.
# The same commit gives the same bytes in any folder, on any day.
#   PACKAGE_BUILD_DIR  build folder, removed first (default build-package/)
#   PACKAGE_DIST_DIR   where the zip goes (default dist/)
#   SOURCE_DATE_EPOCH  time of every file in the zip (default: the last commit's)
set -euo pipefail
export LC_ALL=C TZ=UTC
umask 022
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PACKAGE_BUILD_DIR:-$root/build-package}"
dist="${PACKAGE_DIST_DIR:-$root/dist}"
fail() { echo "package: $*" >&2; exit 1; }

bash "$root/scripts/setup.sh" >/dev/null

# The version resource is the one place the version is defined:
# FILEVERSION 1, 1, 0, 0 gives 1.1.0 (a fourth part only when it is not 0).
IFS=', ' read -r keyword major minor patch build_no < <(grep -m1 -E '^[[:space:]]*FILEVERSION' "$root/res/brimsel.rc" | tr -d '\r')
for n in "$major" "$minor" "$patch" "$build_no"; do
  [[ "$n" =~ ^[0-9]+$ ]] || fail "cannot read FILEVERSION in res/brimsel.rc"
done
version="$major.$minor.$patch"
[ "$build_no" = 0 ] || version="$version.$build_no"

epoch="${SOURCE_DATE_EPOCH:-$(git -c safe.directory="*" -C "$root" log -1 --format=%ct 2>/dev/null || true)}"
[[ "$epoch" =~ ^[0-9]+$ ]] || fail "no commit to take the files' time from; set SOURCE_DATE_EPOCH"

# Only the library and the plug-in, linked without symbols or debug info
# (smaller, and nothing of the build folders left in them; the strip tool would
# stamp the time into the PE header). The link maps tell what the linker took.
rm -rf "$build"
mkdir -p "$build"
log="$build/build.log"
# The binaries must not depend on the time at all: SOURCE_DATE_EPOCH is hidden
# from the build, as some linkers would stamp it into the PE header.
if ! { env -u SOURCE_DATE_EPOCH cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DBRIMSEL_TESTS=OFF "-DCMAKE_SHARED_LINKER_FLAGS=-s -Wl,-Map=%.map" &&
       env -u SOURCE_DATE_EPOCH cmake --build "$build" --target Brimsel ifbrimsel -j"$(nproc)"; } >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  fail "build failed (log: $log)"
fi
library="$build/bin/Brimsel.dxl"
plugin="$(find "$build/bin" -name ifbrimsel.spi | head -n 1)"
[ -f "$library" ] && [ -n "$plugin" ] || fail "the build made no Brimsel.dxl or ifbrimsel.spi"
# They must load on the oldest Windows readme.txt names.
bash "$root/scripts/check-windows-version.sh" "$library" "$plugin" >&2 || fail "the DLLs need a newer Windows"

stage="$build/stage"
mkdir -p "$stage/licenses"
cp "$library" "$plugin" "$stage/"

# libjpeg-turbo is compiled from Debian's source package, unpacked by setup
# outside any installed package: its licence is that source's copyright file.
jpeg_source="$(sed -n 's/^BRIMSEL_LIBJPEG_TURBO_SOURCE:PATH=//p' "$build/CMakeCache.txt")"
[ -n "$jpeg_source" ] && [ -f "$jpeg_source/debian/copyright" ] || fail "no libjpeg-turbo source with its copyright file"

# Licences. Everything from outside the tree that went into the binaries:
# archive members and start-up objects the linker took (its maps) and headers
# the compiler read (its dependency files). Each file belongs to a Debian
# package, whose copyright file is shipped, one per source package.
{
  awk '/^Archive member included/ { f = 1; next }
       /^(Discarded input sections|Memory Configuration)/ { f = 0 }
       f && /^\// { sub(/\(.*/, ""); print }
       /^LOAD \// && $2 ~ /\.o$/ { print $2 }' "$library.map" "$plugin.map"
  find "$build" -name '*.d' -exec cat {} + | tr ' \\' '\n\n' | grep '^/' | grep -v ':$'
} | sort -u | xargs -r realpath -s -m -- | sort -u |
  grep -v -F -e "$root/" -e "$build/" -e "$jpeg_source/" >"$build/inputs.txt" || true
[ -s "$build/inputs.txt" ] || fail "found no runtime or library files in the link maps"
owners="$build/owners.txt"
dpkg -S $(cat "$build/inputs.txt") 2>/dev/null >"$owners" || true
# A path reached through a symbolic link is known to dpkg by its real name.
awk -F': ' '{ print $2 }' "$owners" | sort -u >"$build/owned.txt"
comm -23 "$build/inputs.txt" "$build/owned.txt" | xargs -r realpath -e -- | sort -u >"$build/unowned.txt"
if [ -s "$build/unowned.txt" ]; then
  dpkg -S $(cat "$build/unowned.txt") 2>/dev/null >>"$owners" || true
  awk -F': ' '{ print $2 }' "$owners" | sort -u >"$build/owned.txt"
  missing="$(comm -23 "$build/unowned.txt" "$build/owned.txt")"
  [ -z "$missing" ] || fail "no package owns these inputs, so their licence is unknown:
$missing"
fi
packages="$(awk -F': ' '{ print $1 }' "$owners" | tr ',' '\n' | sed 's/^ *//; s/:.*//' | sort -u)"
cp "$root/LICENSE" "$stage/licenses/Brimsel.txt"
cp "$jpeg_source/debian/copyright" "$stage/licenses/libjpeg-turbo.txt"
declare -A seen=()
while read -r pkg source; do
  copyright="/usr/share/doc/$pkg/copyright"
  [ -f "$copyright" ] || fail "$pkg has no $copyright"
  # Packages of one source mostly share one text; keep each text once.
  sum="$(sha256sum <"$copyright")"
  [ -z "${seen[$sum]:-}" ] || continue
  seen[$sum]=1
  out="$stage/licenses/${source:-$pkg}.txt"
  [ ! -f "$out" ] || printf '\n' >>"$out"
  cat "$copyright" >>"$out"
done < <(dpkg-query -W -f='${Package} ${source:Package}\n' $packages | sort)
# The GCC runtime libraries are under the GPL-3 with the GCC Runtime Library
# Exception: the exception is quoted in their copyright file, the GPL-3 only named.
if [ -f "$stage/licenses/gcc-mingw-w64.txt" ]; then
  cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
fi

# readme.txt: written in UTF-8, shipped in code page 932 with CR LF; every
# character must survive the conversion both ways.
readme="$root/package/readme.txt"
grep -q $'\r' "$readme" && fail "package/readme.txt must have LF line ends"
grep -qF "($version)" "$readme" || fail "package/readme.txt has no history entry for $version"
licence_list="$(cd "$stage" && find licenses -type f ! -name Brimsel.txt | sort | sed 's|/|\\|')"
awk -v version="$version" -v list="$licence_list" '
  /^@LICENSE_FILES@$/ { n = split(list, files, "\n"); for (i = 1; i <= n; i++) print "  " files[i]; next }
  { gsub(/@VERSION@/, version); print }' "$readme" | sed 's/$/\r/' >"$build/readme-utf8.txt"
iconv -f UTF-8 -t CP932 "$build/readme-utf8.txt" >"$stage/readme.txt" ||
  fail "package/readme.txt has characters that code page 932 lacks"
iconv -f CP932 -t UTF-8 "$stage/readme.txt" | cmp -s - "$build/readme-utf8.txt" ||
  fail "package/readme.txt does not survive code page 932 unchanged"

(cd "$stage" && sha256sum Brimsel.dxl ifbrimsel.spi >SHA256SUMS)
# Every text file with CR LF, as Windows' editors expect (readme.txt already has them).
find "$stage" -type f \( -name '*.txt' -o -name SHA256SUMS \) ! -name readme.txt -exec sed -i 's/\r*$/\r/' {} +

# Fixed times, modes and order; no extra attributes (owner, Unix times).
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$epoch" {} +
name="brimsel-$version.zip"
(cd "$stage" && find . -type f | sed 's|^\./||' | sort | zip -X -D -q -9 "$build/$name" -@)
mkdir -p "$dist"
cp "$build/$name" "$dist/$name"
echo "package: $dist/$name"
(cd "$dist" && sha256sum "$name")
