#!/usr/bin/env python3
"""Makes the WebP test corpus and its reference decodes with Debian's webp tools (cwebp,
img2webp, webpmux, dwebp), from pictures this script draws, the example photographs and the
PNG reader's fuzz seeds.

    make_webps.py OUTPUT_FOLDER

Writes OUTPUT_FOLDER/NAME.webp and OUTPUT_FOLDER/NAME.pam, the RGBA picture `dwebp -pam`
makes of it (for an animation: its first frame drawn on a transparent canvas), and
OUTPUT_FOLDER/index.txt: a line "NAME WIDTH HEIGHT ALPHA" a file, ALPHA being 1 when the
stream says it has alpha."""
import random
import subprocess
import sys
from pathlib import Path

from PIL import Image, ImageDraw

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
root = Path(__file__).resolve().parents[2]
work = out / "sources"
work.mkdir(exist_ok=True)


def run(*args):
    subprocess.run([str(a) for a in args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sprite(width, height, seed):
    """Colours with noise and edges, and alpha from 0 through every level to 255."""
    rnd = random.Random(seed)
    img = Image.new("RGBA", (width, height))
    px = img.load()
    for y in range(height):
        for x in range(width):
            a = 0 if x < width // 5 else 255 if x > width * 4 // 5 else (x * 7 + y * 3) % 256
            px[x, y] = ((x * 13 + rnd.randrange(40)) % 256, (y * 29) % 256, (x * y + rnd.randrange(16)) % 256, a)
    return img


def read_pam(path):
    """dwebp's RGBA PAM as a Pillow picture (Pillow reads no PAM)."""
    data = path.read_bytes()
    end = data.index(b"ENDHDR\n") + 7
    fields = dict(line.split(b" ", 1) for line in data[:end].split(b"\n")[1:-2])
    size = (int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]))
    return Image.frombytes("RGBA", size, data[end:])


def opaque(width, height, seed):
    return sprite(width, height, seed).convert("RGB")


pictures = {
    "sprite": sprite(97, 61, 1),
    "tiny": opaque(1, 1, 2),
    "tiny-alpha": sprite(1, 1, 3),
    "odd": opaque(3, 5, 4),
    "odd-alpha": sprite(17, 9, 5),
    "row": opaque(16383, 1, 6),
    "column": sprite(1, 700, 7),
}
sources = {}
for name, img in pictures.items():
    path = work / f"{name}.png"
    img.save(path)
    sources[name] = path
for name in ("chelsea", "astronaut"):
    sources[name] = root / "examples" / "pictures" / f"{name}.jpg"
for seed in sorted((root / "fuzz" / "corpus" / "png").iterdir()):
    png = work / f"png-{seed.name}.png"
    png.write_bytes(seed.read_bytes()[1:])  # a seed's first byte is the fuzz target's control byte
    sources["png-" + seed.name] = png

lossy = {"q0": ["-q", "0"], "q50": ["-q", "50", "-m", "2"], "q90": ["-q", "90", "-sharp_yuv"],
         "q100": ["-q", "100", "-m", "6", "-f", "0"], "alpha": ["-q", "75", "-alpha_q", "40", "-alpha_filter", "best"]}
lossless = {"lossless": ["-lossless", "-z", "9"], "exact": ["-lossless", "-exact", "-m", "0"],
            "near": ["-near_lossless", "60"]}
made = []
for name, src in sources.items():
    variants = dict(lossless)
    if name in ("chelsea", "astronaut", "sprite", "odd", "odd-alpha", "tiny", "tiny-alpha", "column", "row"):
        variants.update(lossy)
    elif not name.startswith("png-"):
        variants.update({"q50": lossy["q50"]})
    else:
        variants.update({"alpha": lossy["alpha"]})
    for variant, args in variants.items():
        stem = f"{name.replace('.png', '')}-{variant}"
        run("cwebp", "-quiet", *args, src, "-o", out / f"{stem}.webp")
        made.append(stem)

# Animations: their first frame is the picture. One made by img2webp (full-canvas first
# frame), one by webpmux with the first frame at an offset on a larger canvas.
frames = [sprite(40, 30, 10 + i) for i in range(3)]
frame_files = []
for i, f in enumerate(frames):
    p = work / f"frame{i}.png"
    f.save(p)
    frame_files.append(p)
run("img2webp", "-loop", "0", "-lossy", "-q", "60", *frame_files, "-o", out / "anim-img2webp.webp")
made.append("anim-img2webp")
run("cwebp", "-quiet", "-q", "70", frame_files[0], "-o", work / "f0.webp")
run("cwebp", "-quiet", "-lossless", frame_files[1], "-o", work / "f1.webp")
run("webpmux", "-frame", work / "f0.webp", "+100+10+6", "-frame", work / "f1.webp", "+100+30+20",
    "-loop", "0", "-bgcolor", "255,255,255,255", "-o", out / "anim-offset.webp")
made.append("anim-offset")

index = []
for stem in made:
    webp = out / f"{stem}.webp"
    info = subprocess.run(["webpinfo", str(webp)], capture_output=True, text=True).stdout
    if stem.startswith("anim"):
        # dwebp reads no animation: the first frame (webpmux -get) decoded, drawn at its offset
        # on a transparent canvas, with no blending (a first frame is a key frame).
        run("webpmux", "-get", "frame", "1", webp, "-o", work / "first.webp")
        run("dwebp", "-quiet", "-pam", work / "first.webp", "-o", work / "first.pam")
        first = read_pam(work / "first.pam")
        frames_info = subprocess.run(["webpmux", "-info", str(webp)], capture_output=True, text=True).stdout
        first_line = next(line for line in frames_info.splitlines() if line.strip().startswith("1:"))
        offset = (int(first_line.split()[4]), int(first_line.split()[5]))
        canvas = Image.open(webp)  # Pillow knows the canvas size
        picture = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
        picture.paste(first, offset)
        w, h = canvas.size
    else:
        run("dwebp", "-quiet", "-pam", webp, "-o", work / "ref.pam")
        picture = read_pam(work / "ref.pam")
        w, h = picture.size
    alpha = 1 if "Alpha: 1" in info else 0  # the VP8X flag, or a lossless stream's own
    raw = picture.tobytes()
    (out / f"{stem}.pam").write_bytes(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                                      % (w, h) + raw)
    index.append(f"{stem} {w} {h} {alpha}")
(out / "index.txt").write_text("\n".join(index) + "\n")
