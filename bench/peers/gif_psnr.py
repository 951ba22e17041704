#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Mean PSNR (dB) of animated GIFs against their source frames.

Usage: gif_psnr.py <frame_delay_ms> <source frame files in order> -- <gif> [<gif> ...]
Prints one line per GIF: the mean over source frames of the PSNR (RGB, 8 bits)
of the GIF's picture on screen at that frame's start time. Frames a writer
joined (their delays added) are matched by time, so every writer is measured
on the same frames. Pillow composites each frame with its disposal.
"""
import math
import sys

from PIL import Image, ImageChops, ImageStat


def shown_frames(path, count, delay_ms):
    """The composited RGB picture on screen at k * delay_ms, k < count."""
    im = Image.open(path)
    pictures, starts, t = [], [], 0
    for n in range(im.n_frames):
        im.seek(n)
        pictures.append(im.convert("RGB"))
        starts.append(t)
        t += im.info.get("duration", delay_ms) or delay_ms
    out, j = [], 0
    for k in range(count):
        now = k * delay_ms
        while j + 1 < len(starts) and starts[j + 1] <= now:
            j += 1
        out.append(pictures[j])
    return out


def psnr(a, b):
    stat = ImageStat.Stat(ImageChops.difference(a, b))
    pixels = a.size[0] * a.size[1]
    mse = sum(stat.sum2) / (3 * pixels)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def main():
    delay = int(sys.argv[1])
    split = sys.argv.index("--")
    sources = [Image.open(p).convert("RGB") for p in sys.argv[2:split]]
    for gif in sys.argv[split + 1:]:
        shown = shown_frames(gif, len(sources), delay)
        values = [psnr(s, g) for s, g in zip(sources, shown)]
        print("%s %.2f" % (gif, sum(values) / len(values)))


if __name__ == "__main__":
    main()
