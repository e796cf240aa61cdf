#!/usr/bin/env python3
"""Draws the program's icon for the desktop: a scalable SVG and PNGs at the hicolor sizes.

The picture is the tray icon's (src/counter/resources/tray.xpm): three rising bars on a light
panel. The 16-pixel PNG is that image itself; the larger sizes are drawn from the same shapes as
the SVG, with 4 x 4 samples per pixel. Run from this folder after changing a shape:
python3 make_icons.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TRAY_XPM = os.path.join(HERE, "..", "..", "src", "counter", "resources", "tray.xpm")
SIZES = (22, 24, 32, 48, 64, 128, 256)
VIEW = 256  # the SVG's coordinate space

BORDER = (0x80, 0x80, 0x80)
PANEL_TOP = (0xFF, 0xFF, 0xFF)
PANEL_BOTTOM = (0xD4, 0xD0, 0xC8)
BASE = (0xC0, 0xC0, 0xC0)
LIGHT_BLUE = (0x66, 0x99, 0xFF)
BLUE = (0x22, 0x55, 0xCC)
NAVY = (0x00, 0x11, 0x77)

# Painted in order: (x0, y0, x1, y1, corner radius, colour or (top, bottom) gradient).
SHAPES = [
    (12, 12, 244, 244, 28, BORDER),
    (20, 20, 236, 236, 21, (PANEL_TOP, PANEL_BOTTOM)),
    (44, 204, 212, 216, 3, BASE),
    (52, 128, 100, 204, 6, LIGHT_BLUE),
    (108, 84, 156, 204, 6, BLUE),
    (164, 40, 212, 204, 6, NAVY),
]


def hex_colour(c):
    return "#%02X%02X%02X" % c


def svg():
    defs, body = [], []
    for i, (x0, y0, x1, y1, r, fill) in enumerate(SHAPES):
        if isinstance(fill[0], tuple):
            defs.append(
                f'    <linearGradient id="g{i}" x1="0" y1="{y0}" x2="0" y2="{y1}" '
                'gradientUnits="userSpaceOnUse">\n'
                f'      <stop offset="0" stop-color="{hex_colour(fill[0])}"/>\n'
                f'      <stop offset="1" stop-color="{hex_colour(fill[1])}"/>\n'
                "    </linearGradient>"
            )
            paint = f"url(#g{i})"
        else:
            paint = hex_colour(fill)
        body.append(
            f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" '
            f'fill="{paint}"/>'
        )
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{VIEW}" height="{VIEW}" '
        f'viewBox="0 0 {VIEW} {VIEW}">\n'
        "  <defs>\n" + "\n".join(defs) + "\n  </defs>\n" + "\n".join(body) + "\n</svg>\n"
    )


def inside(shape, x, y):
    x0, y0, x1, y1, r = shape[:5]
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(shape, y):
    fill, y0, y1 = shape[5], shape[1], shape[3]
    if not isinstance(fill[0], tuple):
        return fill
    t = (y - y0) / (y1 - y0)
    return tuple(round(a + (b - a) * t) for a, b in zip(*fill))


def render(size, samples=4):
    scale = VIEW / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    for shape in reversed(SHAPES):
                        if inside(shape, x, y):
                            c = colour_at(shape, y)
                            acc[0] += c[0]
                            acc[1] += c[1]
                            acc[2] += c[2]
                            acc[3] += 255
                            break
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                covered = acc[3] / 255
                row.append(tuple(round(v / covered) for v in acc[:3]) + (round(alpha),))
        rows.append(row)
    return rows


def read_xpm(path):
    text = open(path).read()
    strings = [s for s in text.split('"')[1::2]]
    width, height, ncolours, cpp = map(int, strings[0].split())
    palette = {}
    for entry in strings[1 : 1 + ncolours]:
        key, value = entry[:cpp], entry[cpp:].split()[-1]
        palette[key] = (0, 0, 0, 0) if value == "None" else (
            int(value[1:3], 16), int(value[3:5], 16), int(value[5:7], 16), 255)
    pixels = strings[1 + ncolours : 1 + ncolours + height]
    return [[palette[line[i * cpp : (i + 1) * cpp]] for i in range(width)] for line in pixels]


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def main():
    base = os.path.join(HERE, "hicolor")
    os.makedirs(os.path.join(base, "scalable", "apps"), exist_ok=True)
    with open(os.path.join(base, "scalable", "apps", "chronolin.svg"), "w") as f:
        f.write(svg())
    write_png(os.path.join(base, "16x16", "apps", "chronolin.png"), read_xpm(TRAY_XPM))
    for size in SIZES:
        write_png(os.path.join(base, f"{size}x{size}", "apps", "chronolin.png"), render(size))


if __name__ == "__main__":
    main()
