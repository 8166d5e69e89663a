#!/usr/bin/env python3
"""Makes the JPEG test files and their reference decodes, with Debian's libjpeg-turbo
tools (cjpeg, djpeg) from pictures this script draws itself; and Pillow's resizes of one of
those pictures, the reference for Resample in the DLL (Debian's python3 and python3-pil).

    make_jpegs.py OUTPUT_FOLDER

For each source picture NAME (a PPM) and each encoding VARIANT it writes NAME-VARIANT.jpg,
and for each DCT method the decode djpeg makes of it: NAME-VARIANT.DCT.pnm (PPM, or PGM
for grayscale files), DCT being int, fast or float."""
import math
import subprocess
import sys
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)


def photo(width, height, seed):
    """Photo-like content: smooth light, texture, noise and hard edges, so that every
    stage of the codec (subsampling, upsampling, IDCT rounding) shows."""
    state = seed * 2654435761 % 2**32 or 1
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            state = (state * 1103515245 + 12345) % 2**31
            noise = (state >> 16) % 24 - 12
            edge = 60 if (x * 3 + y * 2) % 37 < 9 else 0
            r = 128 + 90 * math.sin(x / 11.0 + seed) + noise + edge
            g = 110 + 80 * math.cos(y / 7.0 - x / 23.0) + noise
            b = 100 + 100 * math.sin((x + y) / 17.0) - edge
            rows += bytes(max(0, min(255, int(v))) for v in (r, g, b))
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(rows)


sources = {
    "tiny": (1, 1),
    "odd": (17, 9),
    "small": (33, 20),
    "wide": (101, 67),
    "tall": (7, 300),
    "vga": (640, 480),
}

variants = {
    "420": ["-sample", "2x2"],
    "422": ["-sample", "2x1"],
    "444": ["-sample", "1x1"],
    "prog": ["-progressive"],
    "gray": ["-grayscale"],
    "rst": ["-restart", "1B", "-sample", "2x2"],
    "rgb": ["-rgb"],
    "q30": ["-quality", "30", "-optimize"],
}

dcts = ["int", "fast", "float"]

for name, (w, h) in sources.items():
    ppm = out / f"{name}.ppm"
    ppm.write_bytes(photo(w, h, len(name)))
    for variant, args in variants.items():
        jpg = out / f"{name}-{variant}.jpg"
        subprocess.run(["cjpeg", *args, "-outfile", str(jpg), str(ppm)], check=True)
        for dct in dcts:
            ref = out / f"{name}-{variant}.{dct}.pnm"
            subprocess.run(["djpeg", "-dct", dct, "-pnm", "-outfile", str(ref), str(jpg)], check=True)

# wide.ppm (101 x 67) resized by Pillow with each filter, numbered as ResampleParam numbers
# them: wide.resample-FILTER-WxH.ppm. Shrinks by whole and fractional ratios, one side kept,
# enlargements; the DLL's test compares its own with these.
from PIL import Image

filters = [Image.Resampling.BOX, Image.Resampling.BILINEAR, Image.Resampling.BICUBIC,
           Image.Resampling.LANCZOS, Image.Resampling.NEAREST]
with Image.open(out / "wide.ppm") as wide:
    for number, kind in enumerate(filters):
        for w, h in [(13, 9), (50, 33), (101, 20), (202, 134), (317, 71)]:
            wide.resize((w, h), kind).save(out / f"wide.resample-{number}-{w}x{h}.ppm")
