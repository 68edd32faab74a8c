#!/usr/bin/env bash
# Sets up the machine, builds the library (and everything else in the tree) and
# renders the sample gallery with the reference host.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/compile.sh"
echo "built: $build/bin/Brimsel.dxl"

# The gallery's camera photo, too large to keep in the tree: made here once.
photo="$root/samples/pictures/made/photo-108mp.jpg"
if [ ! -s "$photo" ]; then
  mkdir -p "$(dirname "$photo")"
  python3 "$root/scripts/make-photo.py" 12000 9000 29 "$photo.part" && mv "$photo.part" "$photo"
fi

# The gallery: chiphost.exe under Wine, with the tests' private prefix and code
# page 932, on a virtual display. Wine and its services start inside xvfb-run,
# so they find the display.
source "$root/scripts/wine-env.sh"
gallery="$build/gallery.png"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  wine "$1/bin/chiphost.exe" --plugins "$1/bin/spi" render "$2/samples/gallery.ini" "$3" >/dev/null
  wineserver -w' gallery "$build" "$root" "$gallery"
echo "gallery: $gallery"
