#!/usr/bin/env python3
"""Writes a photo-sized JPEG made at run time (big test pictures are never
committed): soft bands with grain that differ with the seed, so that each file
is a picture of its own and costs about what a photo of its size does.

    make-photo.py WIDTH HEIGHT SEED OUT.jpg

The pixels go as a PPM through cjpeg (libjpeg-turbo-progs), quality 85."""
import math
import random
import subprocess
import sys


def main():
    width, height, seed = (int(v) for v in sys.argv[1:4])
    out = sys.argv[4]
    rng = random.Random(seed)
    # One long row of smooth colour; each picture row is a slice of it, moved
    # along by a seeded step, so rows are cut without a loop over pixels.
    # Bands as wide, relative to the picture, at every size.
    period = rng.randint(300, 900) * max(width, 4000) // 4000
    phases = [rng.random() * 6.283 for _ in range(3)]
    span = width + height * 2 + 1
    line = bytearray(3 * span)
    for i in range(span):
        for c in range(3):
            # Grain, as a sensor gives it: what makes a photo cost its bytes.
            line[3 * i + c] = int(128 + 100 * math.sin(i * 6.283 / (period + 37 * c) + phases[c])) + rng.randint(-14, 14)
    line = bytes(line)
    step = rng.randint(1, 2)
    with open(out, "wb") as target:
        encoder = subprocess.Popen(["cjpeg", "-quality", "85"], stdin=subprocess.PIPE, stdout=target)
        encoder.stdin.write(b"P6\n%d %d\n255\n" % (width, height))
        for y in range(height):
            start = 3 * ((y * step) % (span - width))
            encoder.stdin.write(line[start:start + 3 * width])
        encoder.stdin.close()
        if encoder.wait() != 0:
            sys.exit("cjpeg failed")


if __name__ == "__main__":
    main()
