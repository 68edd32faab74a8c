"""Checks the chips of a rendered sheet against the sample pictures.

    sheet_pixels.py SHEET.png CHIPHOST_OUTPUT PICTURES_DIR BACKGROUND

The scene has a PNG chip and a JPEG chip, each with its picture at the top
left in its natural size, the chip's background colour around it and a one-
letter text at the top right. PNG is decoded here; the JPEG is checked at
known colours of its picture.
"""
import re
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA without interlacing")
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(row)
        previous = row
    pixels = [[tuple(r[x * channels:(x + 1) * channels]) for x in range(width)] for r in rows]
    return width, height, pixels


def main():
    sheet_path, output_path, pictures, background = sys.argv[1:5]
    back = tuple(int(background.lstrip("#")[i:i + 2], 16) for i in (0, 2, 4))
    _, _, sheet = read_png(sheet_path)
    width, height, sample = read_png(f"{pictures}/sample.png")
    chips = [tuple(map(int, m)) for m in
             re.findall(r"^chip \d+ \(line \d+\) at (\d+),(\d+) size (\d+)x(\d+)",
                        open(output_path, encoding="utf-8", errors="replace").read(), re.M)]
    if len(chips) != 2:
        sys.exit(f"expected two chips in the host's output, found {len(chips)}")
    failures = []

    def blend(colour, under):
        return tuple((c * colour[3] + u * (255 - colour[3]) + 127) // 255 for c, u in zip(colour, under))

    def close(a, b, tolerance):
        return all(abs(p - q) <= tolerance for p, q in zip(a, b))

    # The PNG chip: every picture pixel, translucent ones over the chip's
    # background or over white (both are sound ways to flatten them).
    cx, cy, cw, ch = chips[0]
    matching = 0
    for y in range(height):
        for x in range(width):
            want, got = sample[y][x], sheet[cy + y][cx + x]
            if any(close(got, blend(want, under), 3) for under in (back, (255,) * 3)):
                matching += 1
            elif len(failures) < 10:
                failures.append(f"PNG chip: pixel {x},{y} is {got}, not {want[:3]} with alpha {want[3]}")
    print(f"PNG chip at {cx},{cy}: {matching} of {width * height} pixels match sample.png")
    # The JPEG chip: the sun and the triangle of sample.jpg, within the loss.
    cx, cy, cw, ch = chips[1]
    for x, y, want in ((120, 30, (255, 224, 64)), (50, 88, (32, 192, 96)), (20, 60, (80, 16, 184))):
        got = sheet[cy + y][cx + x]
        if not close(got, want, 32):
            failures.append(f"JPEG chip: pixel {x},{y} is {got}, not about {want}")
    # Both pictures in their natural size at the top left; the background
    # everywhere else but the text's corner at the top right.
    for name, (cx, cy, cw, ch) in zip(("PNG", "JPEG"), chips):
        if cw < width + 20 or ch < height + 20:
            failures.append(f"{name} chip: {cw}x{ch} is too small for the check")
            continue
        wrong = sum(not close(sheet[cy + y][cx + x], back, 2)
                    for y in range(ch) for x in range(cw)
                    if (x >= width or y >= height) and not (x >= width and y < 20))
        if wrong:
            failures.append(f"{name} chip: {wrong} pixels around the picture are not the background colour")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
