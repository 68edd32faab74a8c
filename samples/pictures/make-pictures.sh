#!/usr/bin/env bash
# Regenerates the gallery's bitmap pictures with ImageMagick. The results are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
# Four coloured quarters with a dark rim: shows which corner ends up where.
convert -size 32x24 xc:'#e04040' xc:'#40a040' +append \( -size 32x24 xc:'#4060e0' xc:'#f0c020' +append \) -append \
        -fill none -stroke '#202020' -strokewidth 2 -draw 'rectangle 1,1 62,46' \
        -type Palette BMP3:quarters.bmp
# A small landscape, wider than tall, for stretching and fitting.
convert -size 96x48 gradient:'#5aa8e0'-'#dff2ff' \
        -fill '#ffd040' -draw 'circle 74,13 74,6' \
        -fill '#3a8a3a' -draw 'polygon 0,48 0,34 20,26 44,36 66,24 96,34 96,48' \
        -fill '#2d6e2d' -draw 'polygon 0,48 0,42 30,36 60,44 96,40 96,48' \
        BMP3:landscape.bmp
# A tile that shows its seams.
convert -size 20x20 xc:'#f4ead0' -fill '#d09a50' -draw 'polygon 10,2 18,10 10,18 2,10' \
        -fill '#8a5a20' -draw 'point 0,0' -type Palette BMP3:tile.bmp
