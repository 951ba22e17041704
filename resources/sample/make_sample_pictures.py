#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the source pictures of the sample project Dovrenkal.apf.

The pictures are committed; the build only reads them, so Pillow is needed
only when they are drawn again:  /usr/bin/python3 make_sample_pictures.py
Every picture is drawn from scratch here (no outside artwork).
"""
import math
import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = (255, 0, 255)  # magenta: the key colour of the pictures with a cut-out shape


def save(img, name, **kw):
    img.save(os.path.join(HERE, name), **kw)


def backdrop():
    # Evening sky over hills; a JPEG, the bottom layer.
    w, h = 160, 120
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        t = y / (h - 1)
        for x in range(w):
            px[x, y] = (int(20 + 60 * t), int(30 + 80 * t), int(90 + 120 * (1 - t)))
    d = ImageDraw.Draw(img)
    for i, (cx, r, col) in enumerate([(30, 60, (30, 80, 40)), (120, 70, (25, 70, 35)), (80, 50, (40, 95, 50))]):
        d.ellipse((cx - r, h - 25 - i * 4, cx + r, h + 2 * r), fill=col)
    save(img, "backdrop.jpg", quality=85)


def logo():
    # A six-armed star in a ring on the key colour; rotated by the project.
    s = 48
    img = Image.new("RGB", (s, s), KEY)
    d = ImageDraw.Draw(img)
    c = s / 2
    d.ellipse((2, 2, s - 3, s - 3), fill=(250, 200, 40))
    d.ellipse((7, 7, s - 8, s - 8), fill=(200, 40, 30))
    pts = []
    for k in range(12):
        r = 17 if k % 2 == 0 else 7
        a = math.pi * k / 6
        pts.append((c + r * math.cos(a), c + r * math.sin(a)))
    d.polygon(pts, fill=(255, 255, 255))
    d.ellipse((c - 4, c - 4, c + 4, c + 4), fill=(30, 30, 120))
    save(img, "logo.bmp")


def glow():
    # A soft round glow on black; tinted and pulsed by the project.
    s = 40
    img = Image.new("RGB", (s, s), (0, 0, 0))
    px = img.load()
    for y in range(s):
        for x in range(s):
            r = math.hypot(x - s / 2 + 0.5, y - s / 2 + 0.5) / (s / 2)
            v = max(0, int(255 * (1 - r * r)))
            px[x, y] = (v, v, v)
    save(img, "glow.bmp")


def banner():
    # A banner with block letters; blended with a horizontal gradient.
    w, h = 150, 28
    img = Image.new("RGB", (w, h), (20, 20, 60))
    d = ImageDraw.Draw(img)
    d.rectangle((1, 1, w - 2, h - 2), outline=(240, 220, 120))
    # "KT58" in blocks, five cells high.
    glyphs = {
        "K": ["1001", "1010", "1100", "1010", "1001"],
        "T": ["1111", "0110", "0110", "0110", "0110"],
        "5": ["1111", "1000", "1110", "0001", "1110"],
        "8": ["0110", "1001", "0110", "1001", "0110"],
    }
    x0 = 40
    for ch in "KT58":
        for gy, row in enumerate(glyphs[ch]):
            for gx, bit in enumerate(row):
                if bit == "1":
                    d.rectangle((x0 + gx * 4, 4 + gy * 4, x0 + gx * 4 + 3, 4 + gy * 4 + 3), fill=(250, 240, 200))
        x0 += 20
    save(img, "banner.bmp")


def strip():
    # A chequered ribbon that pixel rotation scrolls; a one-image GIF.
    w, h = 160, 12
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    colours = [(230, 60, 60), (240, 200, 40), (60, 180, 90), (50, 120, 230)]
    for i in range(0, w, 10):
        d.rectangle((i, 0, i + 9, h - 1), fill=colours[(i // 10) % 4])
        d.rectangle((i + 3, 3, i + 6, h - 4), fill=(255, 255, 255))
    save(img.convert("P", palette=Image.ADAPTIVE, colors=16), "strip.gif")


def button():
    # A flat button face; the project bevels its edges.
    w, h = 44, 20
    img = Image.new("RGB", (w, h), (70, 130, 180))
    d = ImageDraw.Draw(img)
    d.polygon([(17, 5), (17, 14), (27, 9)], fill=(240, 240, 240))  # a play mark
    save(img, "button.jpg", quality=90)


def spinner():
    # A short animated GIF: a dot circling three times in 24 frames, one
    # stored frame for each frame of the project.
    s = 24
    frames = []
    for k in range(24):
        img = Image.new("RGB", (s, s), (0, 0, 0))
        d = ImageDraw.Draw(img)
        for j in range(8):
            a = 2 * math.pi * (j - k) / 8
            x, y = s / 2 + 8 * math.cos(a), s / 2 + 8 * math.sin(a)
            v = 255 if j == 0 else 70
            d.ellipse((x - 2, y - 2, x + 2, y + 2), fill=(v, v, 40))
        frames.append(img.convert("P", palette=Image.ADAPTIVE, colors=16))
    frames[0].save(os.path.join(HERE, "spinner.gif"), save_all=True, append_images=frames[1:], duration=80, loop=0)


if __name__ == "__main__":
    backdrop()
    logo()
    glow()
    banner()
    strip()
    button()
    spinner()
