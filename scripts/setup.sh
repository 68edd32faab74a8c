#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine.
# Idempotent: packages already present are skipped, the locale is generated once.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mapfile -t need < <(sed 's/#.*//' "$here/packages.txt" | xargs -n1)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  missing=("${need[@]}")
else
  for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8\)/\1/' /etc/locale.gen
    $SUDO locale-gen >/dev/null
  else
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
fi
# libjpeg-turbo, compiled into our image plug-in by the cross compiler, comes
# from Debian's source package, unpacked once into a cache folder outside /usr
# that the build looks in (cmake/libjpeg-turbo.cmake). apt-get source needs a
# deb-src entry beside each Debian deb entry; ours goes into a file of its own.
source_cache="${BRIMSEL_SOURCE_CACHE:-/var/cache/brimsel}"
source_package=libjpeg-turbo
version="$(dpkg-query -W -f='${source:Version}\n' libjpeg62-turbo 2>/dev/null | head -n 1 || true)"
if ! compgen -G "$source_cache/$source_package-*/.brimsel-complete" >/dev/null; then
  echo "setup: fetching the source of $source_package"
  export DEBIAN_FRONTEND=noninteractive
  if ! apt-get source --print-uris -qq "$source_package" >/dev/null 2>&1; then
    list=/etc/apt/sources.list.d/brimsel-deb-src.list
    {
      echo "# Source entries for scripts/setup.sh (apt-get source), one per Debian deb entry."
      if [ -f /etc/apt/sources.list ]; then sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list; fi
      for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        # deb822 stanzas: each that has Types with deb, Debian's URIs, suites and components.
        awk 'BEGIN { RS = ""; FS = "\n" }
             { types = uris = suites = comps = ""
               for (i = 1; i <= NF; i++) {
                 if ($i ~ /^Types:/) types = substr($i, 7)
                 else if ($i ~ /^URIs:/) uris = substr($i, 6)
                 else if ($i ~ /^Suites:/) suites = substr($i, 8)
                 else if ($i ~ /^Components:/) comps = substr($i, 12)
               }
               if (types ~ /(^| )deb( |$)/ && uris ~ /debian/) {
                 n = split(suites, s, " "); m = split(uris, u, " ")
                 for (j = 1; j <= m; j++) for (k = 1; k <= n; k++) print "deb-src " u[j] " " s[k] comps
               } }' "$f"
      done
    } | sort -u >"$list.new"
    $SUDO mv "$list.new" "$list"
    $SUDO apt-get update -qq
  fi
  $SUDO mkdir -p "$source_cache"
  work="$(mktemp -d "$source_cache/fetch.XXXXXX")"
  chmod 755 "$work"   # apt fetches as its own user
  # The same version as the runtime Debian ships, where the archive still has it.
  (cd "$work" && { [ -n "$version" ] && apt-get source -qq "$source_package=$version" >/dev/null 2>&1 ||
                   apt-get source -qq "$source_package" >/dev/null; })
  tree="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$source_package-*" | head -n 1)"
  [ -n "$tree" ] && [ -f "$tree/CMakeLists.txt" ] || { echo "setup: apt-get source $source_package gave no source tree" >&2; exit 1; }
  name="$(basename "$tree")"
  rm -rf "${source_cache:?}/$name"
  mv "$tree" "$source_cache/$name"
  rm -rf "$work"
  touch "$source_cache/$name/.brimsel-complete"
fi
echo "setup: done"
