#!/usr/bin/python3
# Pillow's Image.resize, the reference the resampling tests compare with. Reads lines
# "SOURCE WIDTH HEIGHT FILTER OUTPUT" on standard input (FILTER numbered as ResampleParam
# numbers them) and writes each source resized to WIDTH x HEIGHT as OUTPUT (PPM).
import sys

from PIL import Image

FILTERS = [Image.Resampling.BOX, Image.Resampling.BILINEAR, Image.Resampling.BICUBIC,
           Image.Resampling.LANCZOS, Image.Resampling.NEAREST]

for line in sys.stdin:
    source, width, height, kind, output = line.split()
    with Image.open(source) as picture:
        picture.convert("RGB").resize((int(width), int(height)), FILTERS[int(kind)]).save(output)
