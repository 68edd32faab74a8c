#!/usr/bin/env bash
# Run mode where only the Unix side can set the scene: without a display, with a
# display that goes away, on a read-only (444) store, on a store reached through
# a symbolic link, and, as root, for the UnixStores tests of chiphost_tests.exe,
# on a full disk (a small tmpfs mounted here, unmounted after).
#   unix_stores.sh BUILD
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d "$build/unix-stores.XXXXXX")"
mounted="" xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
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
for display in "" ":$free"; do
  status=0
  if [ -n "$display" ]; then set -- env DISPLAY="$display"; else set -- env -u DISPLAY; fi
  "$@" "$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$store")" >"$work/out" 2>&1 || status=$?
  if [ "$status" != 7 ] || ! grep -q "no display" "$work/out" || ! cmp -s "$store" "$work/no-display.before"; then
    cat "$work/out"
    echo "unix stores: without a display (\"$display\") run mode ended with $status or changed the store"
    exit 1
  fi
done

# A display that goes away during the run ends run mode with 7, every memo kept.
Xvfb ":$free" -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$free" ] && break; sleep 0.1; done
DISPLAY=":$free" "$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$store")" >"$work/out" 2>&1 &
host=$!
for _ in $(seq 150); do grep -q "saved at once" "$work/out" && break; sleep 0.2; done
kill "$xvfb"
status=0
wait "$host" || status=$?
[ "$status" = 7 ] && grep -q "display went away" "$work/out" && grep -q '^text = kept too' "$store" ||
  { cat "$work/out"; echo "unix stores: a display that went away ended run mode with $status"; exit 1; }

# A read-only store (mode 444) is shown, never written, and keeps its mode.
chmod 444 "$store"
cp "$store" "$work/read-only.before"
"$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$store")" --exit-after 1000 >"$work/out" 2>&1 &&
  grep -q "is read-only" "$work/out" && [ "$(stat -c %a "$store")" = 444 ] && cmp -s "$store" "$work/read-only.before" ||
  { cat "$work/out"; echo "unix stores: a read-only store was written or its mode changed"; exit 1; }

# A linked store is saved through to its target, and stays a link.
mkdir -p "$work/target"
ln -s target/chips.ini "$work/link.ini"
printf '[store]\nversion = 1\n[chip]\ntext = linked\n' >"$work/target/chips.ini"
"$build/wine-run.sh" "$build/bin/chiphost.exe" run "$(windows "$work/link.ini")" --exit-after 1000 >"$work/out" 2>&1 &&
  [ -L "$work/link.ini" ] && grep -q '^text = linked' "$work/target/chips.ini" &&
  grep -q '^; end of the store' "$work/target/chips.ini" ||
  { cat "$work/out"; echo "unix stores: the linked store is no longer a link, or its target was not saved"; exit 1; }

mkdir -p "$work/full"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=256k tmpfs "$work/full" 2>/dev/null; then
  mounted="$work/full"
  export BRIMSEL_TEST_FULL_DISK="$work/full"
else
  echo "unix stores: the full disk is skipped (it needs root and a tmpfs mount)"
fi
"$build/wine-run.sh" "$build/bin/chiphost_tests.exe" --gtest_color=no --gtest_filter='UnixStores.*'
