#!/usr/bin/env python3
"""Draws the counter window's artwork as XPM files (text, read natively by Qt).

Run from this folder after changing a picture: python3 make_artwork.py
"""
import math

NONE = None


def xpm(name, pixels):
    """Writes an XPM image from rows of (r, g, b) tuples or None (transparent)."""
    height, width = len(pixels), len(pixels[0])
    colours = sorted({p for row in pixels for p in row if p is not None})
    keys = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    assert len(colours) < len(keys), name
    key = {c: keys[i] for i, c in enumerate(colours)}
    lines = [f'"{width} {height} {len(colours) + 1} 1",', '". c None",']
    lines += [f'"{key[c]} c #{c[0]:02X}{c[1]:02X}{c[2]:02X}",' for c in colours]
    rows = ['"' + "".join("." if p is None else key[p] for p in row) + '"' for row in pixels]
    lines += [r + "," for r in rows[:-1]] + [rows[-1]]
    ident = name.replace(".", "_")
    with open(name + ".xpm", "w") as f:
        f.write(f"/* XPM */\nstatic const char *{ident}[] = {{\n")
        f.write("\n".join(lines) + "\n};\n")


def canvas(w, h, fill=NONE):
    return [[fill] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c


def disc(img, cx, cy, r, c, inner=-1.0):
    for y in range(len(img)):
        for x in range(len(img[0])):
            d = math.hypot(x - cx, y - cy)
            if inner < d <= r:
                img[y][x] = c


def line(img, x0, y0, x1, y1, c):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        img[round(y0 + (y1 - y0) * i / steps)][round(x0 + (x1 - x0) * i / steps)] = c


WHITE = (255, 255, 255)
LIGHT = (212, 208, 200)
SILVER = (192, 192, 192)
GREY = (128, 128, 128)
DARK = (64, 64, 64)
BLACK = (0, 0, 0)


def bevel(img, outer_tl, outer_br, inner_tl, inner_br):
    h, w = len(img), len(img[0])
    rect(img, 0, 0, w - 1, 0, outer_tl)
    rect(img, 0, 0, 0, h - 1, outer_tl)
    rect(img, 0, h - 1, w - 1, h - 1, outer_br)
    rect(img, w - 1, 0, w - 1, h - 1, outer_br)
    rect(img, 1, 1, w - 2, 1, inner_tl)
    rect(img, 1, 1, 1, h - 2, inner_tl)
    rect(img, 1, h - 2, w - 2, h - 2, inner_br)
    rect(img, w - 2, 1, w - 2, h - 2, inner_br)


# The counter's background: a white field sunk in a grey frame.
back = canvas(117, 19, WHITE)
bevel(back, GREY, LIGHT, DARK, SILVER)
xpm("back", back)

# The tray icon: a white square in a grey bevel, three blue bars from light to dark.
tray = canvas(16, 16, WHITE)
bevel(tray, LIGHT, GREY, WHITE, SILVER)
for x0, top, colour in ((3, 8, (102, 153, 255)), (7, 5, (34, 85, 204)), (11, 2, (0, 17, 119))):
    rect(tray, x0, top, x0 + 2, 13, colour)
xpm("tray", tray)

# Menu image 2, other connections: two screens joined by a cable.
cnx = canvas(16, 16)
for x0, y0 in ((0, 1), (7, 7)):
    rect(cnx, x0, y0, x0 + 8, y0 + 6, DARK)
    rect(cnx, x0 + 1, y0 + 1, x0 + 7, y0 + 5, (102, 170, 238))
    rect(cnx, x0 + 3, y0 + 7, x0 + 5, y0 + 7, GREY)
line(cnx, 2, 9, 2, 12, (0, 128, 0))
line(cnx, 2, 12, 6, 12, (0, 128, 0))
xpm("connexions", cnx)

# Menu image 3, quit: a red disc with a white cross.
quit_ = canvas(16, 16)
disc(quit_, 7.5, 7.5, 7.45, (128, 0, 0))
disc(quit_, 7.5, 7.5, 6.6, (220, 40, 40))
for d in range(-3, 4):
    for t in (0, 1):
        quit_[8 + d - t][8 + d] = WHITE
        quit_[8 + d - t][7 - d] = WHITE
xpm("quitter", quit_)

# Menu image 4, reset: a green arrow turning back on itself around a zero.
raz = canvas(16, 16)
for y in range(16):
    for x in range(16):
        d = math.hypot(x - 7.5, y - 7.5)
        angle = math.degrees(math.atan2(7.5 - y, x - 7.5)) % 360
        if 5.0 < d <= 7.3 and not 60 < angle < 110:
            raz[y][x] = (0, 140, 60)
for x, y in ((9, 0), (10, 0), (11, 0), (12, 0), (10, 1), (11, 1), (12, 1), (11, 2), (12, 2), (12, 3)):
    raz[y][x] = (0, 100, 40)
for y in range(5, 11):
    raz[y][6] = raz[y][9] = (0, 0, 128)
rect(raz, 7, 4, 8, 4, (0, 0, 128))
rect(raz, 7, 11, 8, 11, (0, 0, 128))
xpm("raz", raz)

# Menu image 5, the counter: a clock face.
clock = canvas(16, 16)
disc(clock, 7.5, 7.5, 7.45, (0, 0, 128))
disc(clock, 7.5, 7.5, 6.4, WHITE)
for hour in range(12):
    a = math.radians(hour * 30)
    clock[round(7.5 - 5.2 * math.cos(a))][round(7.5 + 5.2 * math.sin(a))] = GREY
line(clock, 7, 7, 7, 3, BLACK)
line(clock, 7, 7, 10, 9, BLACK)
clock[7][8] = (128, 0, 128)
xpm("compteur", clock)
