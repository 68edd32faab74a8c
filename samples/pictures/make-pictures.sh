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
# A character on a transparent background, with soft edges and a half-transparent
# shadow: shows the chip's colour through it.
convert -size 64x64 xc:none \
        -fill '#00000060' -draw 'ellipse 34,58 20,5 0,360' \
        -fill '#f08030' -stroke '#803010' -strokewidth 2 -draw 'circle 32,30 32,6' \
        -fill '#ffffff' -stroke none -draw 'circle 24,26 24,20' -draw 'circle 40,26 40,20' \
        -fill '#202020' -draw 'circle 25,27 25,24' -draw 'circle 41,27 41,24' \
        -fill none -stroke '#602000' -strokewidth 2 -draw 'arc 22,30 42,44 20,160' \
        PNG32:character.png
# A phone photo: a portrait scene stored lying on its side, with the EXIF
# orientation 6 (turn clockwise to view) that phones write.
convert -size 120x180 gradient:'#4a90d0'-'#e8f4ff' \
        -fill '#f8e060' -draw 'circle 90,30 90,16' \
        -fill '#5a3a1a' -draw 'rectangle 52,100 68,160' \
        -fill '#2f7f2f' -draw 'circle 60,90 60,52' \
        -fill '#3a6a2a' -draw 'rectangle 0,150 120,180' \
        -rotate -90 -quality 92 phone-photo.jpg
exiftool -q -overwrite_original -Orientation#=6 phone-photo.jpg
