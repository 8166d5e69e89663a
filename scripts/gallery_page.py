#!/usr/bin/env python3
"""Writes the gallery page and its pictures from the gallery script and the bitmaps it saved.

Arguments: the gallery script, the folder the runner saved its bitmaps in, the output folder.
Writes there: one PNG a bitmap (at most 320 pixels wide, under 40 KB), pictures.sha256 (the
bitmaps' checksums: what the library made, to the byte) and gallery.md."""
import hashlib
import re
import subprocess
import sys
from pathlib import Path

MAX_WIDTH = 320
MAX_BYTES = 40_000

script, saved, out = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
out.mkdir(parents=True, exist_ok=True)


def to_png(bmp: Path, png: Path) -> None:
    """A bitmap as a small PNG: halved while wider than MAX_WIDTH (a box filter, so the same
    bitmap always gives the same pixels), then as few palette colours as keep it under
    MAX_BYTES (at most 256)."""
    width = int(subprocess.run(["identify", "-format", "%w", str(bmp)], check=True,
                               capture_output=True, text=True).stdout)
    scale = []
    while width > MAX_WIDTH:
        scale += ["-scale", "50%"]
        width //= 2
    for colours in (256, 128, 64, 32, 16):
        subprocess.run(["convert", str(bmp), *scale, "-strip", "-dither", "FloydSteinberg",
                        "-colors", str(colours), "-define", "png:compression-level=9",
                        f"PNG8:{png}"], check=True)
        if png.stat().st_size < MAX_BYTES:
            return
    sys.exit(f"gallery: {png.name} stays over {MAX_BYTES} bytes")


# The script: groups, entries, their inputs, lines and pictures.
groups = []
for line in script.read_text(encoding="utf-8").splitlines():
    if line.startswith("#="):
        groups.append({"title": line[2:].strip(), "entries": []})
    elif line.startswith("#-"):
        title, _, text = line[2:].partition("|")
        groups[-1]["entries"].append({"title": title.strip(), "text": text.strip(),
                                      "inputs": [], "lines": [], "pictures": []})
    elif line.startswith("#<"):
        groups[-1]["entries"][-1]["inputs"] += line[2:].split()
    elif groups and groups[-1]["entries"] and line.strip() and not line.startswith("#"):
        entry = groups[-1]["entries"][-1]
        m = re.match(r'\s*(save|savergn)\s+\S+\s+"([^"]+)\.bmp"', line)
        if m:
            entry["pictures"].append(m.group(2))
        else:
            entry["lines"].append(line)

sums = []
for group in groups:
    for entry in group["entries"]:
        for name in entry["pictures"]:
            bmp = saved / f"{name}.bmp"
            sums.append(f"{hashlib.sha256(bmp.read_bytes()).hexdigest()}  {name}.bmp")
            to_png(bmp, out / f"{name}.png")
(out / "pictures.sha256").write_text("\n".join(sums) + "\n")


def anchor(title: str) -> str:
    return re.sub(r"[^a-z0-9_ -]", "", title.lower()).replace(" ", "-")


page = ["# Gallery", "",
        "Every command that changes pixels, run by the runner on a photograph or on a synthetic",
        "picture, with the lines that did it. Each row shows what the command started from and",
        "what it made. The pictures are halved where the screen is wider than 320 pixels and",
        "reduced to at most 256 colours; the commands themselves worked on the full screens.",
        "",
        "`scripts/gallery` makes this page from [examples/gallery.qv](../examples/gallery.qv)",
        "through the DLL; `scripts/test` runs it again and fails when any picture comes out",
        "different. Runner lines are explained in the [README](../README.md#trying-commands-with-the-runner),",
        "commands in [commands.md](commands.md). The noise effects and `Disper` draw the C",
        "runtime's random numbers: the runner's `seed` line fixes them.", "",
        "The snippets run after the script's first lines, which define what several of them use:",
        "", "```", "seed 1", "var colours str 768    # the palette buffer the palette commands fill",
        "var points int 16      # point lists for the polygons", "var bez int 16", "```", "",
        "and in the folder `scripts/gallery` runs them in, beside `demo.pi` (the Pi picture the",
        "build makes: `build/win32/qv_make_pi.exe demo.pi`) and `pack.dpm` (a pack archive holding",
        "the photograph as `coffee.jpg`: the runner line `pack \"pack.dpm\" \"coffee.jpg\"` makes",
        "one). Every command also has a short example of its own that runs as it stands: see its",
        "row in [commands.md](commands.md).", ""]
for group in groups:
    page.append(f"- [{group['title']}](#{anchor(group['title'])}): " +
                " · ".join(f"[{e['title']}](#{anchor(e['title'])})" for e in group["entries"]))
page += ["",
         "Not shown: `SGzoom` and `PaintDesktopImage`, which draw on the desktop and copy it (what",
         "they show is whatever the display holds), and `RealizePal`, which installs the palette a",
         "screen already shows.", ""]
for group in groups:
    page += [f"## {group['title']}", ""]
    for entry in group["entries"]:
        page += [f"### {entry['title']}", "", entry["text"], ""]
        cells = [(name, "input") for name in entry["inputs"]] + \
                [(name, "result" if len(entry["pictures"]) == 1 else name) for name in entry["pictures"]]
        page.append("| " + " | ".join(label if label != "input" else name for name, label in cells) + " |")
        page.append("|" + "---|" * len(cells))
        page.append("| " + " | ".join(f'<img src="gallery/{name}.png" alt="{name}">' for name, _ in cells) + " |")
        page += ["", "```", *entry["lines"], "```", ""]
page += ["## The photograph", "",
         "The photograph of a cup of coffee is by Rachel Michetti, courtesy of Pikolo Espresso Bar,",
         "dedicated to the public domain (CC0). It comes from Debian's package `python3-skimage`",
         "(scikit-image 0.19.3, whose code is under the BSD 3-clause licence; the picture is its",
         "`skimage/data/coffee.png`), kept in this repository as",
         "[examples/pictures/coffee.jpg](../examples/pictures/coffee.jpg) (600 x 400, JPEG quality 92).",
         ""]
(out / "gallery.md").write_text("\n".join(page))
