#!/usr/bin/env bash
# Run mode where only the Unix side can set the scene: without a display (here),
# and for the UnixStores tests of chiphost_tests.exe, a store reached through a
# symbolic link and, as root, a store on a full disk (a small tmpfs mounted
# here, unmounted after).
#   unix_stores.sh BUILD
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d "$build/unix-stores.XXXXXX")"
mounted=""
cleanup() {
  if [ -n "$mounted" ]; then umount "$mounted" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
windows() { printf 'Z:%s' "${1//\//\\}"; }

# Without a display, none at all or one where no X server runs, run mode
# writes nothing and says so with an exit code of its own.
store="$work/no-display.ini"
printf '[store]\nversion = 1\n[chip]\ntext = kept\n[chip]\ntext = kept too\n' >"$store"
cp "$store" "$work/no-display.before"
free=97
while [ -e "/tmp/.X11-unix/X$free" ]; do free=$((free + 1)); done
for display in none ":$free"; do
  status=0
  if [ "$display" = none ]; then
    env -u DISPLAY "$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$store")" >"$work/out" 2>&1 || status=$?
  else
    DISPLAY="$display" "$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$store")" >"$work/out" 2>&1 ||
      status=$?
  fi
  if [ "$status" != 7 ] || ! grep -q "no display" "$work/out" || ! cmp -s "$store" "$work/no-display.before" ||
     [ -e "$store.new" ]; then
    cat "$work/out"
    echo "unix stores: without a display ($display) run mode ended with $status or changed the store"
    exit 1
  fi
done

mkdir -p "$work/target"
ln -s target/chips.ini "$work/link.ini"
export BRIMSEL_TEST_LINKED_STORE="$work/link.ini" BRIMSEL_TEST_LINK_TARGET="$work/target/chips.ini"
mkdir -p "$work/full"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=256k tmpfs "$work/full" 2>/dev/null; then
  mounted="$work/full"
  export BRIMSEL_TEST_FULL_DISK="$work/full"
else
  echo "unix stores: the full disk is skipped (it needs root and a tmpfs mount)"
fi
"$build/wine-run.sh" "$build/bin/chiphost_tests.exe" --gtest_color=no --gtest_filter='UnixStores.*'
[ -L "$work/link.ini" ] || { echo "unix stores: the linked store is no longer a link"; exit 1; }
