#!/usr/bin/env python3
"""Makes the plug-in's test pictures (run once; the results are committed).

Every picture is 32x16 in four 16x8 quadrants, so a swapped size, a flipped row
order or swapped red and blue shows:
  top left red, top right green, bottom left blue,
  bottom right: left half fully transparent, right half black at alpha 128.
Over white that gives red, green, blue, white and grey 127. PNG, TGA, PSD,
TIFF and ICO keep the alpha; formats without alpha (PPM, JPEG) get the
composited colours; GIF keeps the transparent half (1-bit alpha) and carries the
grey as an opaque colour. Neither JPEG nor TIFF is turned: the tests set their
EXIF orientation themselves. Needs ImageMagick's convert.
"""
import os
import subprocess

W, H = 32, 16


def pixel(x, y, alpha_kind):
    if y < 8:
        return (255, 0, 0, 255) if x < 16 else (0, 255, 0, 255)
    if x < 16:
        return (0, 0, 255, 255)
    if x < 24:
        return (255, 255, 255, 255) if alpha_kind == "none" else (0, 0, 0, 0)
    return (0, 0, 0, 128) if alpha_kind == "full" else (127, 127, 127, 255)


def write_pam(path, alpha_kind):
    rows = bytes(c for y in range(H) for x in range(W) for c in pixel(x, y, alpha_kind))
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H) + rows)


def write_tga(path):
    """32-bit run-length TGA, bottom row first, as the format's default origin says."""
    header = bytes([0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, W, 0, H, 0, 32, 8])
    data = bytearray()
    for y in reversed(range(H)):
        row = [pixel(x, y, "full") for x in range(W)]
        x = 0
        while x < W:
            run = 1
            while x + run < W and run < 128 and row[x + run] == row[x]:
                run += 1
            r, g, b, a = row[x]
            data += bytes([0x80 | (run - 1), b, g, r, a])
            x += run
    with open(path, "wb") as f:
        f.write(header + data)


def convert(*args):
    subprocess.run(["convert", *args], check=True)


here = os.path.dirname(os.path.abspath(__file__))
os.chdir(here)
write_pam("full.pam", "full")
write_pam("gif.pam", "one-bit")
write_pam("none.pam", "none")
convert("full.pam", "-strip", "PNG32:quadrants.png")
write_tga("quadrants.tga")
convert("full.pam", "quadrants.psd")
convert("gif.pam", "quadrants.gif")
convert("none.pam", "-alpha", "off", "-strip", "PPM:quadrants.ppm")
convert("none.pam", "-alpha", "off", "-strip", "-quality", "95", "-sampling-factor", "1x1", "quadrants.jpg")
convert("full.pam", "-strip", "-compress", "lzw", "-orient", "TopLeft", "quadrants.tif")
convert("full.pam", "-strip", "quadrants.ico")
# A 128-byte header of no known format in front of the PNG.
with open("quadrants.png", "rb") as f:
    png = f.read()
with open("header128.dat", "wb") as f:
    f.write(b"BRIMSEL-HEADER\0" + bytes(range(113)) + png)
for name in ("full.pam", "gif.pam", "none.pam"):
    os.remove(name)

# Pictures for the gallery: a colourful JPEG and a PNG with transparency.
samples = os.path.join(here, "..", "..", "..", "samples", "pictures")
convert("-size", "160x100", "-seed", "9", "plasma:red-blue", "-blur", "0x1",
        "-fill", "#ffe040", "-draw", "circle 120,30 134,30",
        "-fill", "#20c060", "-draw", "polygon 10,95 45,55 80,95",
        "-strip", "-quality", "88", os.path.join(samples, "sample.jpg"))
convert("-size", "160x100", "xc:none",
        "-fill", "#e0404080", "-draw", "roundrectangle 6,6 154,94 18,18",
        "-fill", "#3080f0", "-draw", "circle 55,50 55,18",
        "-fill", "#f0c020", "-draw", "circle 105,50 105,22",
        "-fill", "#ffffffc0", "-draw", "rectangle 70,44 90,56",
        "-strip", "PNG32:" + os.path.join(samples, "sample.png"))
