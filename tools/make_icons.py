#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

  icon 107 (app.ico): a blue disc with a white downward arrow in a grey ring,
                      16, 20, 24, 32 and 48 pixels;
  icons 150-154:      glossy balls, one colour per job state (grey queued,
                      green running, red error, blue completed, yellow
                      waiting), 16, 20, 24 and 32 pixels: the small-icon size
                      at 100, 125, 150 and 200 %.

Every image is 32-bit BGRA with an AND mask. Shapes are drawn analytically and
supersampled, so the edges are anti-aliased at every size. Standard library only.

Usage: make_icons.py [OUTPUT_DIR] [--preview DIR]
  OUTPUT_DIR defaults to res/icons beside this script's parent folder;
  --preview also writes enlarged PNGs over a checkerboard, for looking at them.
"""

import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 8


def clamp(value, low=0.0, high=1.0):
    return max(low, min(high, value))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def render(size, shade):
    """Averages shade(x, y) -> (r, g, b, a) in 0..1 over SUPERSAMPLE^2 points
    per pixel; returns rows of (r, g, b, a) bytes, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3] > 0:
                color = [c / acc[3] for c in acc[:3]]
            else:
                color = [0.0, 0.0, 0.0]
            row.append(tuple(int(round(clamp(c) * 255)) for c in color + [alpha]))
        rows.append(row)
    return rows


# ---- Application icon -------------------------------------------------------

RING_LIGHT = (0.86, 0.86, 0.88)
RING_DARK = (0.47, 0.48, 0.50)
BLUE_LIGHT = (0.36, 0.62, 1.00)
BLUE_DARK = (0.05, 0.22, 0.62)
ARROW = (1.0, 1.0, 1.0)


def inside_arrow(u, v):
    """The downward arrow in unit coordinates (u, v in 0..1 across the icon)."""
    shaft_half = 0.085
    shaft_top, head_top, tip = 0.22, 0.50, 0.80
    head_half = 0.245
    if shaft_top <= v <= head_top + 0.01 and abs(u - 0.5) <= shaft_half:
        return True
    if head_top <= v <= tip:
        half = head_half * (tip - v) / (tip - head_top)
        return abs(u - 0.5) <= half
    return False


def app_shade(size):
    centre = size / 2.0
    outer = size / 2.0 - 0.25
    ring = max(1.6, size * 0.10)
    inner = outer - ring

    def shade(x, y):
        dx, dy = x - centre, y - centre
        d = math.hypot(dx, dy)
        if d > outer:
            return (0, 0, 0, 0)
        t = clamp((dy / outer + 1) / 2)  # 0 at the top, 1 at the bottom
        if d > inner:
            # Grey ring, lit from above, with a thin dark outer edge.
            color = mix(RING_LIGHT, RING_DARK, t)
            if d > outer - max(0.6, size * 0.02):
                color = mix(color, (0.30, 0.30, 0.32), 0.6)
            return color + (1.0,)
        if inside_arrow(x / size, y / size):
            return ARROW + (1.0,)
        # Blue disc: lighter towards the upper left, a faint sheen at the top.
        lx, ly = (x - size * 0.38) / inner, (y - size * 0.30) / inner
        light = clamp(1 - math.hypot(lx, ly) / 1.6)
        color = mix(BLUE_DARK, BLUE_LIGHT, light)
        if d > inner - max(0.5, size * 0.02):
            color = mix(color, BLUE_DARK, 0.7)
        return color + (1.0,)

    return shade


# ---- State balls ------------------------------------------------------------

BALLS = [
    ("state_queued.ico", (0.55, 0.55, 0.57)),  # 150 grey
    ("state_running.ico", (0.13, 0.70, 0.16)),  # 151 green
    ("state_error.ico", (0.86, 0.12, 0.10)),  # 152 red
    ("state_completed.ico", (0.15, 0.38, 0.90)),  # 153 blue
    ("state_waiting.ico", (0.96, 0.78, 0.06)),  # 154 yellow
]


def ball_shade(size, base):
    centre = size / 2.0
    radius = size / 2.0 - 0.6
    dark = tuple(c * 0.45 for c in base)
    light = tuple(c + (1 - c) * 0.55 for c in base)

    def shade(x, y):
        dx, dy = x - centre, y - centre
        d = math.hypot(dx, dy)
        if d > radius:
            return (0, 0, 0, 0)
        # Diffuse light from the upper left, darker towards the rim.
        lx, ly = (x - (centre - radius * 0.35)) / radius, (y - (centre - radius * 0.40)) / radius
        t = clamp(math.hypot(lx, ly) / 1.5)
        color = mix(light, base, clamp(t * 1.6))
        color = mix(color, dark, clamp((t - 0.55) / 0.45))
        # Glossy highlight: a soft white ellipse near the top.
        hx, hy = dx / (radius * 0.55), (dy + radius * 0.45) / (radius * 0.33)
        h = hx * hx + hy * hy
        if h < 1:
            color = mix(color, (1.0, 1.0, 1.0), 0.85 * (1 - h) ** 0.7)
        # A thin darker rim keeps the ball readable on white and on colour.
        if d > radius - 0.8:
            color = mix(color, dark, 0.55)
        return color + (1.0,)

    return shade


# ---- File formats -----------------------------------------------------------


def dib(rows):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:  # transparent where nothing is drawn
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    count = len(images)
    blobs = [dib(rows) for rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for rows, blob in zip(images, blobs):
        size = len(rows)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, rows, scale):
    """An enlarged preview composited over a checkerboard."""
    size = len(rows) * scale
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            r, g, b, a = rows[y // scale][x // scale]
            check = 200 if ((x // 8) + (y // 8)) % 2 else 255
            alpha = a / 255.0
            for c in (r, g, b):
                raw.append(int(round(c * alpha + check * (1 - alpha))))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = os.path.join(here, os.pardir, "res", "icons")
    preview = None
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg == "--preview":
            preview = args.pop(0)
        else:
            out_dir = arg
    os.makedirs(out_dir, exist_ok=True)
    if preview:
        os.makedirs(preview, exist_ok=True)

    app = [render(size, app_shade(size)) for size in (16, 20, 24, 32, 48)]
    write_ico(os.path.join(out_dir, "app.ico"), app)
    if preview:
        for rows in app:
            write_png(os.path.join(preview, "app_%d.png" % len(rows)), rows, 384 // len(rows))

    for name, base in BALLS:
        balls = [render(size, ball_shade(size, base)) for size in (16, 20, 24, 32)]
        write_ico(os.path.join(out_dir, name), balls)
        if preview:
            for rows in balls:
                write_png(os.path.join(preview, name.replace(".ico", "_%d.png" % len(rows))),
                          rows, 256 // len(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
